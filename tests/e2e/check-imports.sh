#!/usr/bin/env bash
# Checks that each program is a GUI executable of the architecture named (x86: PE32 for i386, x64:
# PE32+ for x86-64) that imports statically only DLLs Windows always takes from its system folder;
# any other DLL must be loaded at run time from there.
#   check-imports.sh x86|x64 PROGRAM.exe...
set -euo pipefail
[ $# -gt 1 ] || { echo "usage: check-imports.sh x86|x64 PROGRAM.exe..." >&2; exit 2; }
ZRV_ARCH=$1; shift
source "$(dirname "$0")/../../scripts/wine-env.sh"
allowed='^(kernel32|user32|gdi32|advapi32|shell32|msvcrt|ole32|comdlg32|shlwapi)\.dll$'
bad=0
for exe in "$@"; do
  kind=$(file -b "$exe")
  case "$kind" in
    "$ZRV_PE_KIND"*) echo "ok: $exe: $kind" ;;
    *) echo "FAIL: $exe: not a $ZRV_ARCH GUI program: $kind" >&2; bad=1; continue ;;
  esac
  dlls=$("$ZRV_MINGW-objdump" -p "$exe" | sed -n 's/^\tDLL Name: //p')
  [ -n "$dlls" ] || { echo "FAIL: $exe: no import table found" >&2; bad=1; }
  while read -r dll; do
    [ -n "$dll" ] || continue
    if echo "$dll" | grep -qiE "$allowed"; then echo "ok: $exe imports $dll"; else echo "FAIL: $exe imports $dll" >&2; bad=1; fi
  done <<<"$dlls"
done
exit $bad
