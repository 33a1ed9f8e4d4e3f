#!/usr/bin/env bash
# How long after its last write a schedule dropped in the inbox is applied, with no switch cycle
# running: the real program (release build) on a temporary data folder, a schedule copied in by cp,
# by rsync -a (a rename into place, the source's times kept) and by rsync without -t (a rename with
# fresh times), each several times. The moment of the last write is when the copy command returned;
# the apply, when its line appeared in the activity log (looked at every 10 ms).
# Usage: bench/inbox.sh [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
rounds="${1:-5}"
if [ $# -gt 1 ] || ! [[ "$rounds" =~ ^[1-9][0-9]{0,2}$ ]]; then
  echo "usage: bench/inbox.sh [rounds (5, at most 999)]" >&2
  exit 2
fi
scripts/install-deps.sh rsync
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQC_BUILD_TESTS=OFF -DQC_BUILD_BENCH=OFF >/dev/null
cmake --build build/release --target quillorncontrol

home=$(mktemp -d)
program=
trap '[ -n "$program" ] && kill "$program" 2>/dev/null; wait 2>/dev/null; rm -rf "$home"' EXIT
# A schedule of one entry at 03:00 on Sunday, told apart by its source code (below 256).
schedule() {
  printf "\\x01\\x00Bench%20s%5sA\\x$(printf %02x "$2")\\x00\\x00\\x00\\x00\\x00\\x01\\x00" "" "" >"$1"
  printf '\x00\x00%.0s' 1 2 3 4 5 6 >>"$1"
  printf "03:00:00%48s\\x01\\x00\\x01\\x00" "" >>"$1"
}
printf '111001d00' >"$home/QuillornControl.ini"
schedule "$home/SwitchList.dat" 1
mkdir -p "$home/out"
# The program ends with this script, also when the script is killed (no trap runs then).
QUILLORN_HOME="$home" QT_QPA_PLATFORM=offscreen setpriv --pdeathsig TERM build/release/bin/quillorncontrol \
  >"$home/out/program.log" 2>&1 &
program=$!
for _ in $(seq 300); do [ -d "$home/inbox" ] && break; sleep 0.1; done
log() { cat "$home"/logs/AL*.log 2>/dev/null | grep -c 'Schedule from inbox applied' || true; }

source=10
for way in cp "rsync -a" "rsync -r"; do
  figures=()
  for _ in $(seq "$rounds"); do
    source=$((source + 1))
    schedule "$home/out/switchlist.dat" "$source"
    chmod 600 "$home/out/switchlist.dat"
    before=$(log)
    $way "$home/out/switchlist.dat" "$home/inbox/"
    written=$(date +%s.%N)
    waited=0
    until [ "$(log)" -gt "$before" ]; do
      sleep 0.01
      waited=$((waited + 1))
      [ "$waited" -lt 6000 ] || { echo "not applied within a minute:" >&2; tail -5 "$home/out/program.log" >&2; exit 1; }
    done
    figures+=("$(awk -v a="$(date +%s.%N)" -v b="$written" 'BEGIN { print a - b }')")
  done
  printf '%-9s applied after its last write (s):' "$way"
  printf ' %.2f' "${figures[@]}"
  echo
done
