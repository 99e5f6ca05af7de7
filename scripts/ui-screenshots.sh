#!/usr/bin/env bash
# Photographs the installer's own windows on a virtual X server: the backdrop with the welcome
# dialog, the progress dialog in the middle of a file, and the uninstaller's progress dialog.
#   ui-screenshots.sh BUILD_DIR [OUT_DIR]
# BUILD_DIR is a host build folder (its win32 or win64 sub-build holds ui_showcase.exe); the
# pictures go to OUT_DIR (default BUILD_DIR/screenshots) as welcome.png, progress.png and
# uninstall.png. ZRV_ARCH picks the build (x86 by default where the host runs 32-bit code).
set -euo pipefail
build=$(cd "${1:?usage: ui-screenshots.sh BUILD_DIR [OUT_DIR]}" && pwd)
out=${2:-$build/screenshots}
mkdir -p "$out"
out=$(cd "$out" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
export ZRV_ARCH=${ZRV_ARCH:-$("$here/host-arch.sh" | cut -d' ' -f1)}
windows=$build/win32; [ "$ZRV_ARCH" = x64 ] && windows=$build/win64
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix-$ZRV_ARCH}
"$here/wine-run.sh" --prefix-only
export WINEDEBUG=-all
source "$here/wine-env.sh"

# The same lock as wine-run.sh's virtual X server runs: one display per prefix at a time.
exec 8>"$WINEPREFIX.x.lock"
flock 8
marks=$(mktemp -d "${TMPDIR:-/tmp}/ui-shots.XXXXXX")
display=:$((70 + RANDOM % 200))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$marks/xvfb.log" 2>&1 8>&- &
xvfb=$!
cleanup() { kill "$xvfb" 2>/dev/null || true; rm -rf "$marks"; }
trap cleanup EXIT
sleep 1

DISPLAY=$display wine "$windows/tests/win32/ui_showcase.exe" "Z:${marks//\//\\}" >"$marks/wine.log" 2>&1 </dev/null 8>&- &
prog=$!

# Waits for the program's marker NAME.ready, photographs the screen, lets the program go on.
shoot() {
  local name=$1 i
  for i in $(seq 1 300); do
    [ -f "$marks/$name.ready" ] && break
    kill -0 "$prog" 2>/dev/null || { echo "ui_showcase ended before $name; see its log:" >&2; cat "$marks/wine.log" >&2; exit 1; }
    sleep 0.1
  done
  [ -f "$marks/$name.ready" ] || { echo "no $name screen within 30 s" >&2; exit 1; }
  sleep 0.5
  DISPLAY=$display import -window root "$out/$name.png"
  touch "$marks/$name.done"
  echo "$out/$name.png"
}
shoot welcome
shoot progress
shoot uninstall
wait "$prog"
