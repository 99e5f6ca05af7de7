#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's private prefix, creating the prefix once.
#   wine-run.sh [--prefix-only] [--x] PROGRAM.exe [ARGS...]
# --x runs it under a virtual X server when there is no display. The program's exit code is ours.
# Wine's own output goes to a file beside the prefix: a pipe held by the wineserver can hang readers.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the private prefix}"
export WINEPREFIX WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win32

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  # Two builds may race to create the prefix; one lock keeps it to one.
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >"$WINEPREFIX.boot.log" 2>&1 </dev/null || true
    wineserver -w || true
  fi
  flock -u 9
fi
if [ "${1:-}" = "--prefix-only" ]; then
  [ -f "$WINEPREFIX/system.reg" ] || { echo "wine prefix was not created; see $WINEPREFIX.boot.log" >&2; exit 1; }
  exit 0
fi
use_x=
if [ "${1:-}" = "--x" ]; then use_x=1; shift; fi
prog=$1; shift
log=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")
rc=0
if [ -n "$use_x" ] && [ -z "${DISPLAY:-}" ]; then
  xvfb-run -a -s "-screen 0 1024x768x24" wine "$prog" "$@" >"$log" 2>&1 </dev/null || rc=$?
else
  wine "$prog" "$@" >"$log" 2>&1 </dev/null || rc=$?
fi
# Only the program's own output: drop Wine's noise lines.
grep -v -E '^(wine: |[0-9a-f]{4}:(fixme|err|warn):|Xlib:|libEGL)' "$log" || true
rm -f "$log"
exit $rc
