#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer and runs each on its committed corpus.
# Usage: scripts/fuzz.sh [--seconds N | --runs N] [target...]
#   --seconds N  each target for N seconds (default 5): the short form the test command runs
#   --runs N     each target for N executions: the long form, a benchmark. Its corpus grows in
#                build/fuzz/long/<target>, so a long run stopped early (Ctrl+C) is resumed by the next
#                one; build/fuzz/long/<target>.runs keeps the executions of every run.
# The short form puts new inputs in a scratch copy of the corpus. A crash, or an input that runs for
# 30 s (a hang), leaves its input in build/fuzz/artifacts and fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
limit=(-max_total_time=5)
long=false
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) limit=(-max_total_time="$2"); shift 2 ;;
    --runs) limit=(-runs="$2"); long=true; shift 2 ;;
    *) targets+=("$1"); shift ;;
  esac
done

CXX=clang++ CC=clang cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQC_FUZZ=ON \
  -DQC_BUILD_TESTS=OFF -DQC_BUILD_BENCH=OFF >/dev/null
[ ${#targets[@]} -eq 0 ] && mapfile -t targets < <(cd fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//')
cmake --build build/fuzz --target "${targets[@]}"

mkdir -p build/fuzz/artifacts
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
export QT_QPA_PLATFORM=offscreen
# The data folders in memory where the system has it: the flushes of stored files cost nothing there.
[ -d /dev/shm ] && export TMPDIR=/dev/shm
# Ctrl+C stops the target, which prints its figures; they are counted before the script ends.
trap : INT
for t in "${targets[@]}"; do
  if $long; then
    scratch=build/fuzz/long/$t
    [ -d "$scratch" ] || { mkdir -p "$scratch" && cp -r "fuzz/corpus/$t/." "$scratch/"; }
  else
    scratch=$(mktemp -d)
  fi
  echo "== fuzz $t"
  status=0
  build/fuzz/bin/"$t" "$scratch" "fuzz/corpus/$t" "${limit[@]}" -timeout=30 -artifact_prefix=build/fuzz/artifacts/"$t"- \
    -print_final_stats=1 >"build/fuzz/$t.log" 2>&1 || status=$?
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "build/fuzz/$t.log" || true
  if $long; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "build/fuzz/$t.log")
    echo "$(date -u +%FT%TZ) ${runs:-0}" >>"build/fuzz/long/$t.runs"
    echo "executions in all runs: $(awk '{n += $2} END {print n}' "build/fuzz/long/$t.runs")"
  fi
  if grep -q 'libFuzzer: run interrupted' "build/fuzz/$t.log"; then
    echo "fuzz $t stopped" >&2
    exit 130
  fi
  if [ "$status" -ne 0 ]; then
    tail -n 60 "build/fuzz/$t.log" >&2
    echo "fuzz $t failed (exit $status): the input is in build/fuzz/artifacts" >&2
    exit 1
  fi
  $long || rm -rf "$scratch"
done
