#!/usr/bin/env bash
# The ZIP an author on Windows downloads beside the Debian package: in one folder zrvtool.exe, its
# manual page as plain text and its copyright, both with the CR LF line ends of Windows' editors.
# Every entry bears the same time, not the moment of the build.
#   windows-zip.sh ZRVTOOL_EXE MANPAGE.1.gz COPYRIGHT OUT.zip
set -euo pipefail
exe=$1 page=$2 copyright=$3 out=$4
stage=$(mktemp -d "${TMPDIR:-/tmp}/zrv-zip.XXXXXX")
trap 'rm -rf "$stage"' EXIT
name=$(basename "$out" .zip)
mkdir "$stage/$name"
cp "$exe" "$stage/$name/zrvtool.exe"
# The page as man shows it, 80 columns, without the overstrikes of bold and underline.
LC_ALL=C MANWIDTH=80 man --warnings -l "$page" 2>"$stage/warnings" | col -bx | sed 's/$/\r/' >"$stage/$name/zrvtool.txt"
if [ -s "$stage/warnings" ]; then cat "$stage/warnings" >&2; exit 1; fi
sed 's/$/\r/' "$copyright" >"$stage/$name/copyright.txt"
(cd "$stage" && cmake -E tar cf "$stage/out.zip" --format=zip --mtime="2000-01-01 00:00:00 UTC" "$name")
mv "$stage/out.zip" "$out"
