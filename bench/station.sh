#!/usr/bin/env bash
# The long runs of the real program and the simulated month, on a release build in build/release.
# Usage: bench/station.sh load [minutes] [--no-load]   switching moments under stress-ng and disk flushes
#        bench/station.sh soak [minutes]               an hour unattended: memory and descriptors
#        bench/station.sh month [days]                 simulate-week over 30 days: memory
set -euo pipefail
cd "$(dirname "$0")/.."
what="${1:?load, soak or month}"
shift
extra=()
[ "$what" = load ] && extra=(stress-ng)
scripts/install-deps.sh "${extra[@]}"
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQC_BUILD_TESTS=OFF -DQC_BUILD_BENCH=ON >/dev/null
case "$what" in
  load) target=bench_load_timing ;;
  soak) target=bench_soak_hour ;;
  month) target=bench_simulated_month ;;
  *) echo "unknown run: $what" >&2; exit 2 ;;
esac
cmake --build build/release --target "$target"
exec build/release/bin/"$target" "$@"
