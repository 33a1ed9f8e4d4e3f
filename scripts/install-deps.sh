#!/usr/bin/env bash
# Installs the Debian 12 packages the build needs, when any is missing (through sudo when not root).
# Usage: scripts/install-deps.sh [extra packages...]
set -euo pipefail

packages=(build-essential cmake ninja-build qt6-base-dev qt6-serialport-dev libgl-dev
          libgtest-dev libgmock-dev libbenchmark-dev clang-format clang libclang-rt-14-dev
          libcups2-dev fonts-liberation pkgconf libsystemd-dev libmodbus-dev tzdata "$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Please install as root: apt-get install ${missing[*]}" >&2; exit 1; }
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
