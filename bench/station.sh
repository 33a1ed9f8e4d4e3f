#!/usr/bin/env bash
# The long runs of the real program and the simulated month, on a release build in build/release.
# Usage: bench/station.sh load [minutes] [--no-load]   switching moments under stress-ng and disk flushes
#        bench/station.sh soak [minutes]               an hour unattended: memory and descriptors
#        bench/station.sh month [days]                 simulate-week over 30 days: memory
#        bench/station.sh asrun                        the as-run report over a year of records
set -euo pipefail
cd "$(dirname "$0")/.."
what="${1:?load, soak, month or asrun}"
shift
extra=()
[ "$what" = load ] && extra=(stress-ng)
scripts/install-deps.sh "${extra[@]}"
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQC_BUILD_TESTS=OFF -DQC_BUILD_BENCH=ON >/dev/null
case "$what" in
  load) target=bench_load_timing ;;
  soak) target=bench_soak_hour ;;
  month) target=bench_simulated_month ;;
  asrun) target=bench_asrun ;;
  *) echo "unknown run: $what" >&2; exit 2 ;;
esac
cmake --build build/release --target "$target"
# Qt's serial port writes and flushes a lock file in /run/lock at every opening of a port. A station
# has /run on a memory file system; where it lies on the disk (some containers) the flush waits for
# the disk like any other, so the run gets a memory file system there of its own when it may.
if [ "$what" = load ] && [ "$(stat -f -c %T /run/lock 2>/dev/null)" != tmpfs ] && [ "$(id -u)" -eq 0 ] &&
  unshare -m true 2>/dev/null; then
  echo "(/run/lock is on the disk here: the run gets a memory file system for it)"
  exec unshare -m sh -c 'mount -t tmpfs -o mode=1777 tmpfs /run/lock && exec "$@"' sh \
    build/release/bin/"$target" "$@"
fi
exec build/release/bin/"$target" "$@"
