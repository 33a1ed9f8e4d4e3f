#!/usr/bin/env bash
# Builds with the address and undefined-behaviour sanitizers, checks the formatting and runs every
# test through CTest. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
# The printing test runs a print service of its own and reads the PDF it printed; the monitoring
# test reads the metrics file through node_exporter.
scripts/install-deps.sh cups poppler-utils prometheus-node-exporter

echo "== formatting"
mapfile -t sources < <(git ls-files -co --exclude-standard -- '*.cpp' '*.h')
clang-format --dry-run --Werror "${sources[@]}"

echo "== build (sanitizers)"
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQC_SANITIZE=ON -DQC_BUILD_BENCH=OFF >/dev/null
cmake --build build/test

echo "== tests"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
(cd build/test && ctest --output-on-failure -j2 --timeout 600)

echo "== fuzzing (a few seconds a target on its corpus)"
scripts/fuzz.sh --seconds "${QC_FUZZ_SECONDS:-5}"
