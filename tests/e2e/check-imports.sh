#!/usr/bin/env bash
# Checks that each program is a PE32 GUI executable for i386 that imports statically only DLLs
# Windows always takes from its system folder; any other DLL must be loaded at run time from there.
#   check-imports.sh PROGRAM.exe...
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: check-imports.sh PROGRAM.exe..." >&2; exit 2; }
allowed='^(kernel32|user32|gdi32|advapi32|shell32|msvcrt|ole32|comdlg32|shlwapi)\.dll$'
bad=0
for exe in "$@"; do
  kind=$(file -b "$exe")
  case "$kind" in
    "PE32 executable (GUI) Intel 80386"*) echo "ok: $exe: $kind" ;;
    *) echo "FAIL: $exe: not a 32-bit GUI program: $kind" >&2; bad=1; continue ;;
  esac
  dlls=$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^\tDLL Name: //p')
  [ -n "$dlls" ] || { echo "FAIL: $exe: no import table found" >&2; bad=1; }
  while read -r dll; do
    [ -n "$dll" ] || continue
    if echo "$dll" | grep -qiE "$allowed"; then echo "ok: $exe imports $dll"; else echo "FAIL: $exe imports $dll" >&2; bad=1; fi
  done <<<"$dlls"
done
exit $bad
