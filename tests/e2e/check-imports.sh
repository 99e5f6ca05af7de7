#!/usr/bin/env bash
# Checks that a program is a PE32 GUI executable for i386 whose imports are system DLLs only.
set -euo pipefail
exe=${1:?program}
kind=$(file -b "$exe")
case "$kind" in
  "PE32 executable (GUI) Intel 80386"*) echo "ok: $kind" ;;
  *) echo "FAIL: not a 32-bit GUI program: $kind" >&2; exit 1 ;;
esac
allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|COMCTL32|msvcrt|SHELL32|ole32)\.dll$'
bad=0
while read -r dll; do
  if echo "$dll" | grep -qiE "$allowed"; then echo "ok: imports $dll"; else echo "FAIL: imports $dll" >&2; bad=1; fi
done < <(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^\tDLL Name: //p')
exit $bad
