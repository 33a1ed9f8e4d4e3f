#!/usr/bin/env bash
# Builds QuillornControl and starts it. With nothing configured it runs on a demo data folder,
# build/demo, with two simulated receivers and a simulated parallel port, so a new user watches it
# switch within minutes. QUILLORN_HOME set: runs on that folder instead, as a station does.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQC_BUILD_TESTS=OFF -DQC_BUILD_BENCH=OFF >/dev/null
cmake --build build/release

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != offscreen ]; then
  cat >&2 <<'MSG'
QuillornControl is a desktop program and no display was found (DISPLAY is not set).
Run it on a virtual display instead:
    sudo apt-get install xvfb xauth && xvfb-run -a ./run.sh
or from a desktop session, or with ssh -X.
MSG
  exit 1
fi

sims=()
stop_sims() { for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; done; }
trap stop_sims EXIT

if [ -z "${QUILLORN_HOME:-}" ]; then
  export QUILLORN_HOME="$PWD/build/demo"
  if [ ! -d "$QUILLORN_HOME" ]; then
    build/release/bin/make-demo "$QUILLORN_HOME"
  fi
  # Two receivers on pseudo-terminals, linked as COM1 and COM2 in the demo folder.
  for n in 1 2; do
    build/release/bin/receiver-sim --home "$QUILLORN_HOME" --port "$n" --baud 9600 \
      --log "$QUILLORN_HOME/receiver$n-wire.log" >/dev/null &
    sims+=($!)
  done
  for n in 1 2; do
    for _ in $(seq 50); do [ -e "$QUILLORN_HOME/COM$n" ] && break; sleep 0.1; done
  done
  echo "Demo data folder: $QUILLORN_HOME (logs in $QUILLORN_HOME/logs, wire logs receiver1-wire.log, receiver2-wire.log)"
fi

build/release/bin/quillorncontrol "$@"
