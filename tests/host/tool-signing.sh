#!/usr/bin/env bash
# zrvtool.exe's --sign under Wine: the command line is started as Windows starts a program (no
# cmd.exe in between unless the command names it), each placeholder its file's path as one quoted
# argument. The medium and the bundle go into a folder whose name holds spaces and cmd.exe's
# command separators; the signing program's own path holds spaces and is quoted in the command.
#   tool-signing.sh ZRVTOOL_EXE WORK_DIR      (WINEPREFIX: a 64-bit prefix)
set -euo pipefail
tool=$1 work=$2
: "${WINEPREFIX:?WINEPREFIX must name a 64-bit prefix}"
export ZRV_ARCH=x64
source "$(dirname "$0")/../../scripts/wine-env.sh"
rm -rf "$work" && mkdir -p "$work/src/docs" && cd "$work"
echo readme >src/docs/readme.txt
printf 'INSTALL4 - Signed\r\n[Signed]\r\nAppDescription=Signed 1.0\r\nDiskImage=signed.001\r\nDefaultDir=C:\\Program Files\\Signed\r\nFreeSpace=1\r\nREGEDIT4\r\n' >Setup.ini.txt
# The "signing tool": the prefix's cmd.exe under a folder name with spaces; it copies {in} to {out}
# and leaves a mark beside the medium for each file it was given.
tools="$WINEPREFIX/drive_c/zrv sign tools"
mkdir -p "$tools" && cp "$WINEPREFIX/drive_c/windows/system32/cmd.exe" "$tools/signer.exe"
signer='"C:\zrv sign tools\signer.exe" /c'
out='a & b ^c'
fails=0
# row: name | --sign COMMAND | exit code | the last line on stderr, or a line of stdout
rows=(
  "copied by a quoted program|$signer copy /b {in} {out} >nul|0|bytes, signed"
  "signed in place|$signer type nul >nul & rem {}|0|bytes, signed"
  "a failing command|$signer exit 3 & rem {}|1|zrvtool: --sign: the command failed (exit code 3) signing Uninstal.exe; nothing is written"
  "a program that is not there|\"C:\\zrv sign tools\\missing.exe\" {}|1|zrvtool: --sign: the command could not be started signing Uninstal.exe; nothing is written"
  "no signed file|$signer rem {in} {out}|1|zrvtool: --sign: the command left no signed file (or an empty one) signing Uninstal.exe; nothing is written"
)
for row in "${rows[@]}"; do
  IFS='|' read -r name command code expected <<<"$row"
  rm -rf "$out" "$out.exe" && mkdir -p "$out"
  rc=0
  wine "$tool" medium Setup.ini.txt src "$out/medium" --bundle "$out.exe" --sign "$command" >run.out 2>run.err || rc=$?
  got=$( [ "$code" = 0 ] && grep -F -- "$expected" run.out || tail -n 1 run.err)
  if [ "$rc" != "$code" ] || [ "$got" = "" ] || { [ "$code" != 0 ] && [ "$got" != "$expected" ]; }; then
    echo "FAIL: $name: exit $rc, expected $code; got '$got', expected '$expected'"; cat run.out run.err; fails=$((fails + 1)); continue
  fi
  if [ "$code" = 0 ]; then
    wine "$tool" verify "$out.exe" >verify.out 2>&1 || { echo "FAIL: $name: the signed bundle does not verify: $(cat verify.out)"; fails=$((fails + 1)); }
  elif [ -e "$out.exe" ] || [ -n "$(ls -A "$out")" ]; then
    echo "FAIL: $name: a refused signing left $(ls -A "$out" "$out.exe" 2>&1 | tr '\n' ' ')"; fails=$((fails + 1))
  fi
  echo "ok: $name"
done
exit $((fails > 0))
