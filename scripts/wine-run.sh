#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's private prefix, creating the prefix once.
#   wine-run.sh [--prefix-only] [--x] PROGRAM.exe [ARGS...]
# Environment: WINEPREFIX, and ZRV_ARCH (x86 or x64) for the Wine of that architecture.
# --x runs it under a virtual X server when there is no display. The program's exit code is ours.
# Wine's own output goes to a file beside the prefix: a pipe held by the wineserver can hang readers.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the private prefix}"
export WINEPREFIX
source "$(dirname "$0")/wine-env.sh"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  # Two builds may race to create the prefix; one lock keeps it to one.
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >"$WINEPREFIX.boot.log" 2>&1 </dev/null || true
    zrv_wait_server 300 || true
  fi
  flock -u 9
fi
# Fonts and windows, once per prefix.
# - Wine's own faces (MS Sans Serif of the dialog templates, Tahoma, ...) come with fonts-wine but
#   this Wine does not load them from its data folder: linking them into C:\windows\Fonts does.
# - The installer asks for "Impact" and "Times", which Wine lacks; the nearest faces Debian ships
#   stand in for them: Liberation Sans Narrow (bold) for the heavy condensed band word, Liberation
#   Serif (metric-compatible with Times New Roman) for the serif.
# - Windows links its dialog and message faces (Tahoma, Microsoft Sans Serif) to its Chinese,
#   Japanese and Korean faces (FontLink\SystemLink): Japanese buttons in a message box, or a Chinese
#   folder name in a Tahoma dialog, show. Wine keeps Windows' lists, whose files this machine lacks,
#   and writes them again whenever a program starts in another code page. Every list names
#   MSGOTHIC.TTC,MS UI Gothic: the CJK face Debian ships (WenQuanYi Micro Hei, which holds Chinese,
#   Japanese and Korean) goes into the prefix's Fonts folder under that file name and stands in for
#   that face (a replacement), so each list finds it. Tahoma holds Cyrillic and Central European
#   letters itself; MS Sans Serif, a Western bitmap face, has no links, as on Windows.
# - The prefix's windows mostly live on a virtual X server without a window manager. Wine then
#   manages its windows itself (Managed=N): it draws their frames, maximising works, and closing a
#   window does not wait two seconds for a window manager that is not there.
setup_done="$WINEPREFIX/.zrv-setup-4"
if [ -f "$WINEPREFIX/system.reg" ] && [ ! -f "$setup_done" ]; then
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$setup_done" ]; then
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    if [ -d /usr/share/wine/fonts ]; then
      ln -sf /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
    fi
    cjk=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
    [ -f "$cjk" ] && ln -sf "$cjk" "$WINEPREFIX/drive_c/windows/Fonts/msgothic.ttc"
    reg="$WINEPREFIX/drive_c/zrv-setup.reg"
    printf '%s\r\n' 'REGEDIT4' '' \
      '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]' \
      '"Impact"="Liberation Sans Narrow"' '"Times"="Liberation Serif"' '"Times New Roman"="Liberation Serif"' '' \
      '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Managed"="N"' '' \
      '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' '"MS UI Gothic"="WenQuanYi Micro Hei"' >"$reg"
    wine regedit /S 'C:\zrv-setup.reg' >>"$WINEPREFIX.boot.log" 2>&1 </dev/null || true
    zrv_wait_server 300 || true
    touch "$setup_done"
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
  # One virtual X server at a time per prefix: the prefix's one wineserver ties its desktop to the
  # display of the program that opened the first window, so the windows of a program on a second,
  # parallel server would fail to be created.
  exec 8>"$WINEPREFIX.x.lock"
  flock 8
  # A wineserver still up from a program run without X, or on a virtual server now gone, has a
  # desktop without a display, on which no window can be made: let it end first, holding the lock
  # so that no other windowed run starts one meanwhile.
  zrv_wait_server || true
  # 8>&-: the lock stays with this script; a wineserver started below must not keep it.
  xvfb-run -a -s "-screen 0 1024x768x24" wine "$prog" "$@" >"$log" 2>&1 </dev/null 8>&- || rc=$?
else
  wine "$prog" "$@" >"$log" 2>&1 </dev/null || rc=$?
fi
# Only the program's own output: drop Wine's noise lines.
grep -v -E '^(wine: |[0-9a-f]{4}:(fixme|err|warn):|Xlib:|libEGL)' "$log" || true
rm -f "$log"
exit $rc
