#!/usr/bin/env bash
# The same input through zrvtool and zrvtool.exe (under Wine) gives the same bytes: every file of a
# medium, the bundle made of it, and the bundle the Windows tool makes of the Linux tool's medium.
# zrvtool.exe is given Windows paths: a drive letter and backslashes, and in one row the long
# form \\?\Z:\... . Then the x64 medium the Windows tool made installs silently and uninstalls.
#   tool-differential.sh ZRVTOOL ZRVTOOL_EXE WORK_DIR      (WINEPREFIX: a 64-bit prefix)
set -euo pipefail
linux_tool=$1 windows_tool=$2 work=$3
: "${WINEPREFIX:?WINEPREFIX must name a 64-bit prefix}"
export ZRV_ARCH=x64
source "$(dirname "$0")/../../scripts/wine-env.sh"
rm -rf "$work" && mkdir -p "$work" && cd "$work"
work=$(pwd)

# Z: is the Unix root in every prefix; its Windows path, in the form the row asks for.
winpath() {
  local p=${2//\//\\}
  case $1 in long) printf '\\\\?\\Z:%s' "$p" ;; *) printf 'Z:%s' "$p" ;; esac
}
fails=0 row_fails=0
fail() { echo "FAIL: $row: $*"; fails=$((fails + 1)); row_fails=$((row_fails + 1)); }

# A product tree: nested folders, an empty folder and an empty file, several extensions, a file over
# several blocks (block size 1) that the volumes split; names in the row's script.
make_tree() {
  local tree=$1 a=$2 b=$3
  mkdir -p "$tree/docs/$a/deep" "$tree/empty dir" "$tree/bin"
  printf 'readme %s\n' "$a" >"$tree/docs/readme.txt"
  printf '' >"$tree/docs/$a/empty.txt"
  printf '%s\n' "$b" >"$tree/docs/$a/deep/$b.txt"
  head -c 150000 /dev/urandom >"$tree/bin/random.dat"
  for i in $(seq 1 4000); do echo "line $i of a text the block sorter likes"; done >"$tree/bin/big.log"
  printf 'MZ not a program' >"$tree/bin/tool.EXE"
}

# make_ini PRODUCT IMAGE FILE: the image's volumes IMAGE.001 ... in the medium's folder data.
make_ini() {
  printf 'INSTALL4 - %s\n[%s]\nAppDescription=%s 1.0\nDiskImage=data\\%s.001\nDefaultDir=C:\\Program Files\\%s\nFreeSpace=1\nShortcut=Read me|docs\\readme.txt\nREGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\%s]\n"InstallDir"="%%INSTALLPATH%%"\n' \
    "$1" "$1" "$1" "$2" "$1" "$1" >"$3"
}

# Both carry the same six programs, or no medium could be the same.
row=version
"$linux_tool" --version >linux.version 2>&1
wine "$windows_tool" --version >windows.version 2>&1 || fail "zrvtool.exe --version: $(cat windows.version)"
cmp -s linux.version windows.version || { fail "the tools carry other programs: $(diff linux.version windows.version | tr '\n' ' ')"; exit 1; }

# row: name | architecture | names (1252 or utf8) | path form of the Windows tool's arguments
rows=(
  "cp1252-x86|x86|1252|drive"
  "cp1252-x64|x64|1252|long"
  "utf8-x86|x86|utf8|drive"
  "utf8-x64|x64|utf8|drive"
)
for row in "${rows[@]}"; do
  IFS='|' read -r name arch names form <<<"$row"
  row_fails=0
  dir=$work/$name
  mkdir -p "$dir"
  if [ "$names" = utf8 ]; then make_tree "$dir/product files" "数据 данные" "文件 ένα"; else make_tree "$dir/product files" "Übersicht" "café crème"; fi
  # A UTF-8 product's volumes are named in Chinese too: the Windows tool's reader opens each by name.
  if [ "$names" = utf8 ]; then image="图像 $name"; else image="Diff$name"; fi
  make_ini "Diff$name" "$image" "$dir/Setup.ini.txt"
  opts=(--arch "$arch" --block-size 1 --volume-size 100k)
  "$linux_tool" medium "$dir/Setup.ini.txt" "$dir/product files" "$dir/linux" "${opts[@]}" >"$dir/linux.out" 2>&1 ||
    { fail "zrvtool medium: $(cat "$dir/linux.out")"; continue; }
  wine "$windows_tool" medium "$(winpath "$form" "$dir/Setup.ini.txt")" "$(winpath "$form" "$dir/product files")" \
    "$(winpath "$form" "$dir/windows")" "${opts[@]}" >"$dir/windows.out" 2>&1 ||
    { fail "zrvtool.exe medium: $(cat "$dir/windows.out")"; continue; }
  (cd "$dir/linux" && find . -type f | sort) >"$dir/linux.files"
  (cd "$dir/windows" && find . -type f | sort) >"$dir/windows.files"
  cmp -s "$dir/linux.files" "$dir/windows.files" || fail "the media hold other files: $(diff "$dir/linux.files" "$dir/windows.files" | tr '\n' ' ')"
  [ "$(grep -c '\.0[0-9][0-9]$' "$dir/linux.files")" -ge 3 ] || fail "the image was not split into volumes"
  while read -r f; do cmp -s "$dir/linux/$f" "$dir/windows/$f" || fail "$f differs"; done <"$dir/linux.files"
  "$linux_tool" bundle "$dir/linux" "$dir/linux.exe" >>"$dir/linux.out" 2>&1 || fail "zrvtool bundle: $(cat "$dir/linux.out")"
  wine "$windows_tool" bundle "$(winpath "$form" "$dir/linux")" "$(winpath "$form" "$dir/windows.exe")" >>"$dir/windows.out" 2>&1 ||
    fail "zrvtool.exe bundle: $(cat "$dir/windows.out")"
  cmp -s "$dir/linux.exe" "$dir/windows.exe" || fail "the bundles differ"
  wine "$windows_tool" verify "$(winpath "$form" "$dir/windows.exe")" >"$dir/verify.out" 2>&1 || fail "zrvtool.exe verify: $(cat "$dir/verify.out")"
  [ "$row_fails" -eq 0 ] && echo "same bytes: $name ($(wc -l <"$dir/linux.files") files of the medium and the bundle)"
done

# The Windows tool's x64 medium of Chinese names installs and uninstalls, without a window.
row="install utf8-x64"
medium=$work/utf8-x64/windows
target='C:\zrv-diff 数据'
if [ -f "$medium/Setup.exe" ]; then
  (cd "$medium" && wine Setup.exe /S "/D=$target" >"$work/install.out" 2>&1) || fail "Setup.exe /S: exit $?"
  installed="$WINEPREFIX/drive_c/zrv-diff 数据"
  cmp -s "$installed/docs/数据 данные/deep/文件 ένα.txt" "$work/utf8-x64/product files/docs/数据 данные/deep/文件 ένα.txt" ||
    fail "the installed file is not the product's"
  # Started by the folder's own name, which its record holds.
  (cd /tmp && wine "$installed/Uninstal.exe" /S >"$work/uninstall.out" 2>&1) || fail "Uninstal.exe /S: exit $?"
  zrv_wait_server 120 || true
  [ ! -e "$installed" ] || fail "the uninstall left $(find "$installed" | head -3 | tr '\n' ' ')"
fi
[ "$fails" -eq 0 ] && echo "all rows made the same bytes; the Windows tool's medium installed and uninstalled"
exit $((fails > 0))
