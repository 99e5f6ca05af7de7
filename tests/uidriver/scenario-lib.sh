# Helpers for end-to-end scenarios under Wine, sourced by a scenario script.
# The scenario runs inside one virtual X server (started here when there is no display), so the
# driver, the program under test and the screenshots all see the same screen.
#   Environment: WINEPREFIX (the build's prefix), ZRV_ARCH (x86 or x64), ZRV_WIN32_BIN (the Windows
#                build folder of that architecture),
#                ZRV_SHOTS (folder for this scenario's screenshots, emptied first).
set -euo pipefail
: "${WINEPREFIX:?}" "${ZRV_WIN32_BIN:?}" "${ZRV_SHOTS:?}"
# A command that fails outside the checks ends the scenario (set -e): it says which, and where,
# once the scenario has ended for it. A failure that a check expects (in a condition, a
# background program's, one inside a command substitution that the caller handles) says nothing.
set -E
zrv_err=
ZRV_FAILED=
trap 'zrv_rc=$?; zrv_err="line $LINENO: $BASH_COMMAND (exit code $zrv_rc)"' ERR
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi
export WINEPREFIX WINEDEBUG=-all
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
DRIVER="$ZRV_WIN32_BIN/tests/uidriver/uidriver.exe"
SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/zrv-scenario.XXXXXX")
rm -rf "$ZRV_SHOTS"
mkdir -p "$ZRV_SHOTS"
SHOT_NO=0
APP_PID=
# at_exit COMMAND: run when the scenario ends, however it ends, before the library's own clean-up.
AT_EXIT=()
at_exit() { AT_EXIT+=("$1"); }
# What the scenario started and left running (a program waiting on a window nobody answered, say)
# is ended by its id, so that the next scenario finds the prefix idle; the resource lock on the
# display gives each scenario the prefix to itself.
scenario_exit() {
  local rc=$? cmd pids
  if [ "$rc" -ne 0 ] && [ -z "$ZRV_FAILED" ] && [ -n "$zrv_err" ]; then echo "FAIL: $zrv_err" >&2; fi
  for cmd in "${AT_EXIT[@]}"; do eval "$cmd" || true; done
  if ! zrv_wait_server 20 2>/dev/null; then
    pids=$(zrv_prefix_programs | awk '{print $1}')
    if [ -n "$pids" ]; then
      echo "ending what this scenario left running: $(paste -sd' ' <<<"$pids")" >&2
      kill -KILL $pids 2>/dev/null || true
      zrv_wait_server 20 || true
    fi
  fi
  rm -rf "$SCRATCH"
}
trap scenario_exit EXIT
# A wineserver left from a run on another X display would hand its windows to that display.
if ! zrv_wait_server 60; then
  echo "FAIL: programs of an earlier run still hold the prefix" >&2
  exit 1
fi
# Without a window manager nobody draws captions and frames; Wine draws its own when told that
# its windows are not decorated by one. Once per prefix.
if [ ! -f "$WINEPREFIX/.zrv-undecorated" ]; then
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >"$SCRATCH/reg.log" 2>&1 </dev/null || true
  zrv_wait_server || true
  touch "$WINEPREFIX/.zrv-undecorated"
fi

# drv ARGS...: runs the driver; its output, without carriage returns, is in $out. On a loaded
# machine Wine's desktop process may fail to start for the session's first program: the driver,
# which then could look at no window and did nothing, runs once more after that session has ended
# (bounded by zrv_wait_server's limit).
drv() {
  local rc=0
  wine "$DRIVER" "$@" >"$SCRATCH/out" 2>"$SCRATCH/err" </dev/null || rc=$?
  if [ "$rc" -ne 0 ] && grep -q 'explorer process failed to start' "$SCRATCH/err"; then
    echo "Wine's desktop did not start for the driver; once more" >&2
    zrv_wait_server 30 || true
    rc=0
    wine "$DRIVER" "$@" >"$SCRATCH/out" 2>"$SCRATCH/err" </dev/null || rc=$?
  fi
  out=$(tr -d '\r' <"$SCRATCH/out")
  if [ "$rc" -ne 0 ]; then
    grep -v -E '^(wine: |[0-9a-f]{4}:(fixme|err|warn):|Xlib:)' "$SCRATCH/err" >&2 || true
  fi
  return "$rc"
}

# must ARGS...: the driver command has to succeed.
must() { drv "$@" || fail "driver command failed: $*"; }

# shot NAME: a screenshot of the whole screen as NN-NAME.png.
shot() {
  SHOT_NO=$((SHOT_NO + 1))
  sleep 0.4
  import -window root "$ZRV_SHOTS/$(printf %02d "$SHOT_NO")-$1.png"
}

# fail MESSAGE: ends the scenario, with what the screen and the program under test showed then.
fail() {
  ZRV_FAILED=1
  echo "FAIL: $*" >&2
  shot failure || true
  if [ -n "$APP_PID" ]; then
    kill -0 "$APP_PID" 2>/dev/null && echo "the program is still running" >&2 || echo "the program has ended" >&2
  fi
  [ -s "$SCRATCH/app.log" ] && { echo "its output:" >&2; tail -n 20 "$SCRATCH/app.log" >&2; }
  drv windows 2>/dev/null && [ -n "$out" ] && { echo "visible windows:" >&2; printf '%s\n' "$out" >&2; }
  [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null || true
  exit 1
}

# expect WHAT EXPECTED ACTUAL
expect() {
  if [ "$2" != "$3" ]; then
    fail "$1: expected [$2], got [$3]"
  fi
  echo "ok: $1"
}

# start_app PROGRAM ARGS...: runs a Windows program in the background.
start_app() {
  # The subshell becomes the program (exec): its id is the program's, and its exit code is the
  # program's to report through end_app, not a failure of the scenario's own.
  (trap - ERR; exec wine "$@" >"$SCRATCH/app.log" 2>&1 </dev/null) &
  APP_PID=$!
}

# end_app [SECONDS]: waits for the program started last, at most SECONDS (180); its exit code is
# in $app_rc. One still running then is a failure, shown with what is on the screen.
end_app() {
  local ticks=$((${1:-180} * 10))
  while kill -0 "$APP_PID" 2>/dev/null; do
    ticks=$((ticks - 1))
    [ "$ticks" -gt 0 ] || fail "the program did not end within ${1:-180} s"
    sleep 0.1
  done
  app_rc=0
  wait "$APP_PID" || app_rc=$?
  APP_PID=
}

# flip_byte FILE OFFSET: inverts every bit of one byte, so that the file surely differs there (a
# byte written over it could be the one already there).
flip_byte() {
  python3 -c 'import sys; f = open(sys.argv[1], "r+b"); f.seek(int(sys.argv[2])); b = f.read(1)[0]
f.seek(int(sys.argv[2])); f.write(bytes([b ^ 0xFF]))' "$1" "$2"
}

# The Windows path of a Unix path inside the prefix's drive C.
winpath_c() { printf 'C:%s' "$(echo "${1#"$WINEPREFIX/drive_c"}" | tr / '\\')"; }
# The Windows path of any Unix path, through drive Z.
winpath_z() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
