#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks that every file lands where the program,
# the desktop and systemd look for it. Usage: install-check.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
stage=$(mktemp -d)
[ -d "$stage" ] || exit 1
trap 'rm -rf "$stage"' EXIT
prefix=/opt/quillorncontrol-check
root=$stage$prefix
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$stage" cmake --install "$build" --prefix "$prefix" >/dev/null

for program in quillorncontrol quillorn-receiver-sim quillorn-simulate-week quillorn-make-demo quillorn-station-io-sim; do
  [ -x "$root/bin/$program" ] || fail "bin/$program"
done
# The shared data (help document, demo data) as data/ holds it, beside the program.
while read -r f; do
  cmp -s "$source/data/$f" "$root/share/quillorncontrol/$f" || fail "share/quillorncontrol/$f"
done < <(cd "$source/data" && find . -type f)
[ -f "$root/share/icons/hicolor/scalable/apps/quillorncontrol.svg" ] || fail "icon"
for entry in share/applications/quillorncontrol.desktop share/quillorncontrol/autostart/quillorncontrol.desktop; do
  grep -qx "Exec=$prefix/bin/quillorncontrol" "$root/$entry" || fail "$entry does not start the program"
  grep -qx "Icon=quillorncontrol" "$root/$entry" || fail "$entry has no icon"
done
unit=$root/lib/systemd/user/quillorncontrol.service
grep -qx "ExecStart=$prefix/bin/quillorncontrol" "$unit" || fail "the unit does not start the program"
for line in Type=notify Restart=on-failure "WatchdogSec=[0-9]*"; do
  grep -qx "$line" "$unit" || fail "the unit has no $line"
done
# The installed tools find the shared data relative to themselves, as the program does.
"$root/bin/quillorn-make-demo" "$stage/demo" >/dev/null || fail "make-demo found no demo data"
"$root/bin/quillorn-simulate-week" --home "$stage/demo" --from "2027-03-28 00:00:00" --days 1 >"$stage/week"
grep -q $'\tCOM1\tSP ' "$stage/week" || fail "the demo folder switches nothing"
echo "every installed file is in place"
