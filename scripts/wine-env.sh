# Sourced by every script that starts Wine or looks at a built program: the one place that turns
# an architecture into the Wine to call, the cross tools and the program kind `file` reports.
# ZRV_ARCH is x86 (the default product: a 32-bit prefix and loader) or x64 (a 64-bit prefix and
# loader). Debian's `wine` command picks the 32-bit loader whenever it is installed, whatever the
# prefix, and a host without 32-bit emulation cannot run that loader: so the loader is named here.
: "${ZRV_ARCH:?ZRV_ARCH must be x86 or x64}"
ZRV_SCRIPTS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
case "$ZRV_ARCH" in
  x86) WINEARCH=win32 ZRV_WINE_LOADER=/usr/lib/wine/wine ZRV_MINGW=i686-w64-mingw32 ZRV_MINGW_TOOLCHAIN=mingw-i686
       ZRV_PE_KIND="PE32 executable (GUI) Intel 80386" ;;
  x64) WINEARCH=win64 ZRV_WINE_LOADER=/usr/lib/wine/wine64 ZRV_MINGW=x86_64-w64-mingw32 ZRV_MINGW_TOOLCHAIN=mingw-x86_64
       ZRV_PE_KIND="PE32+ executable (GUI) x86-64" ;;
  *) echo "ZRV_ARCH must be x86 or x64, not '$ZRV_ARCH'" >&2; return 2 2>/dev/null || exit 2 ;;
esac
export ZRV_ARCH WINEARCH ZRV_WINE_LOADER ZRV_MINGW ZRV_MINGW_TOOLCHAIN ZRV_PE_KIND
# The 64-bit loader starts the prefix's other processes by this name, as Debian's `wine` tells it.
if [ "$ZRV_ARCH" = x64 ]; then export WINELOADER=$ZRV_WINE_LOADER; else unset WINELOADER; fi
# Wine names Unix files in the locale's character set: in any other than UTF-8 a name such as
# C:\users\张伟 cannot be a file at all. A caller with no locale, or a POSIX one, gets UTF-8 for the
# characters alone; one that sets LC_ALL keeps what it chose.
if [ -z "${LC_ALL:-}" ] && [ "$(locale charmap 2>/dev/null)" != UTF-8 ]; then export LC_CTYPE=C.UTF-8; fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
# `wine` and `wineboot` on the PATH are ours (scripts/wine-bin), so that they are also the ones that
# env, timeout and xvfb-run start; Debian's `wineserver` serves both architectures.
case ":$PATH:" in
  *":$ZRV_SCRIPTS/wine-bin:"*) ;;
  *) PATH=$ZRV_SCRIPTS/wine-bin:$PATH ;;
esac
export PATH

# zrv_prefix_programs: the processes of this prefix still running (its wineserver aside), one
# "PID SECONDS COMMAND" line each: what a wait for the prefix's end is waiting for.
zrv_prefix_programs() {
  local env pid comm
  for env in /proc/[0-9]*/environ; do
    pid=${env#/proc/}; pid=${pid%/environ}
    tr '\0' '\n' <"$env" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
    comm=$(cat "/proc/$pid/comm" 2>/dev/null) || continue
    case $comm in wineserver*) continue ;; esac
    # Windows programs only: the shell that runs a scenario, and the test runner, carry the
    # prefix in their environment too, and are never ended for it.
    case $(readlink "/proc/$pid/exe" 2>/dev/null) in */wine*) ;; *) continue ;; esac
    ps -o pid=,etimes=,args= -p "$pid" 2>/dev/null || true
  done
}

# zrv_wait_server [SECONDS]: waits until the prefix's wineserver has ended, at most SECONDS (120):
# a program left waiting on a window would otherwise hold every later run forever. Returns 1,
# naming what still runs, when the time is up.
zrv_wait_server() {
  local limit=${1:-120}
  timeout "$limit" wineserver -w 2>/dev/null && return 0
  [ $? -eq 124 ] || return 0
  echo "wine: the prefix $WINEPREFIX still runs programs after $limit s:" >&2
  zrv_prefix_programs >&2
  return 1
}
