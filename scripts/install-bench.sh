#!/usr/bin/env bash
# The install benchmark (not part of the tests): the benchmarks' product tree (scripts/bench-tree.sh,
# about 90 MB) installed under Wine by Setup.exe from a medium that zrvtool makes, and by two NSIS
# installers of the same tree (Debian's nsis, installed here when missing: SetCompressor /SOLID
# lzma and /SOLID bzip2, silent). Setup.exe is driven by the UI driver and timed from its launch
# to its completion box; an NSIS installer from its launch to its exit. One wineserver serves all
# runs; the rounds interleave the three installers; the figures are medians, with ratios and the
# media's sizes, all from the same run.
# usage: scripts/install-bench.sh [ROUNDS [WORKDIR]]   (default 5 rounds; a WORKDIR given is kept)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
rounds=${1:-5}
work=${2:-}
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$rounds" "$work"
fi
keep=1
if [ -z "$work" ]; then work=$(mktemp -d "${TMPDIR:-/tmp}/zrv-install-bench.XXXXXX"); keep=0; fi
mkdir -p "$work"
work=$(cd "$work" && pwd)

bash scripts/bootstrap.sh >/dev/null
if ! command -v makensis >/dev/null; then
  echo "install-bench: installing nsis" >&2
  apt-get install -y nsis >/dev/null
fi
cmake --preset host >/dev/null
cmake --build build/host -j2 --target zrvtool win32 >/dev/null
zrvtool=$root/build/host/tools/zrvtool
win32=$root/build/host/win32
driver=$win32/tests/uidriver/uidriver.exe

# The peer installer is a 32-bit program: the bench compares the x86 builds.
if [[ " $(bash scripts/host-arch.sh) " != *" x86 "* ]]; then
  echo "install-bench: needs a host that runs 32-bit code: $(bash scripts/host-arch.sh --why)" >&2
  exit 1
fi
export WINEPREFIX=$work/prefix WINEDEBUG=-all ZRV_ARCH=x86
source scripts/wine-env.sh
bash scripts/wine-run.sh --prefix-only
bash tests/e2e/make-prefix.sh
wineserver -p
trap 'wineserver -k 2>/dev/null || true; [ "$keep" = 1 ] || rm -rf "$work"' EXIT

echo "install-bench: product tree" >&2
bash scripts/bench-tree.sh "$work/tree"
files=$(find "$work/tree" -type f | wc -l)
bytes=$(du -sb --apparent-size "$work/tree" | cut -f1)

echo "install-bench: media" >&2
media=$work/zrv
rm -rf "$media" && mkdir -p "$media"
"$zrvtool" pack "$work/tree" "$media/product.001" >/dev/null
printf 'INSTALL4\r\n[Bench]\r\nAppDescription=install benchmark\r\nDiskImage=product.001\r\nDefaultDir=C:\\zrvbench\\zrv\r\nFreeSpace=1\r\n' >"$work/setup.txt"
"$zrvtool" ini encode "$work/setup.txt" "$media/Setup.ini"
cp "$win32/app/Setup.exe" "$media/"
for comp in lzma bzip2; do
  cat >"$work/$comp.nsi" <<NSI
Name "Bench"
OutFile "$work/nsis-$comp.exe"
SetCompressor /SOLID $comp
SilentInstall silent
RequestExecutionLevel user
InstallDir "C:\\zrvbench\\nsis"
Section
  SetOutPath \$INSTDIR
  File /r "$work/tree/*"
SectionEnd
NSI
  makensis -V1 "$work/$comp.nsi" >/dev/null
done

drive_c=$WINEPREFIX/drive_c
drv() { wine "$driver" "$@" >"$work/drv.out" 2>&1 </dev/null; }
now() { date +%s.%N; }

# run_zrv: seconds from the launch of Setup.exe to its completion box.
run_zrv() {
  rm -rf "$drive_c/zrvbench/zrv" && mkdir -p "$drive_c/zrvbench/zrv"
  local t0 t1 pid
  t0=$(now)
  (cd "$media" && wine Setup.exe >"$work/setup.log" 2>&1 </dev/null) &
  pid=$!
  drv wait "Zorvan Installation System@#32770" 60000 || { echo "install-bench: no welcome dialog" >&2; exit 1; }
  drv click "Zorvan Installation System@#32770" 1
  drv msgbox 600000 || { echo "install-bench: no completion box" >&2; exit 1; }
  t1=$(now)
  grep -q 'Installation complete!' "$work/drv.out" || { echo "install-bench: $(cat "$work/drv.out")" >&2; exit 1; }
  drv msgbox 2000 OK
  wait "$pid"
  awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.3f", b - a}'
}

# run_nsis COMP: seconds from the launch of the NSIS installer to its exit.
run_nsis() {
  rm -rf "$drive_c/zrvbench/nsis"
  local t0 t1
  t0=$(now)
  wine "$work/nsis-$1.exe" /S '/D=C:\zrvbench\nsis' >"$work/nsis.log" 2>&1 </dev/null
  t1=$(now)
  awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.3f", b - a}'
}

same_tree() {
  diff -r "$work/tree" "$1" -x Install.log -x Uninstal.exe >/dev/null || { echo "install-bench: $2 did not install the tree" >&2; exit 1; }
}

declare -A times
for r in $(seq 1 "$rounds"); do
  echo "install-bench: round $r of $rounds" >&2
  times[zrv]+="$(run_zrv) "
  [ "$r" = 1 ] && same_tree "$drive_c/zrvbench/zrv" Setup.exe
  for comp in lzma bzip2; do
    times[$comp]+="$(run_nsis $comp) "
    [ "$r" = 1 ] && same_tree "$drive_c/zrvbench/nsis" "NSIS $comp"
  done
done

median() { tr ' ' '\n' | grep . | sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
zrv_size=$(( $(stat -c %s "$media/Setup.exe") + $(stat -c %s "$media/Setup.ini") + $(stat -c %s "$media/product.001") ))
zrv_t=$(echo "${times[zrv]}" | median)
echo
echo "product tree: $files files, $bytes bytes; $rounds interleaved rounds under Wine, medians"
printf '| installer | medium bytes | install s | ours / theirs: time | ours / theirs: size |\n|---|---|---|---|---|\n'
printf '| Setup.exe (zrvtool pack, block size 9, with Uninstal.exe) | %d | %.2f | 1 | 1 |\n' "$zrv_size" "$zrv_t"
for comp in lzma bzip2; do
  t=$(echo "${times[$comp]}" | median)
  size=$(stat -c %s "$work/nsis-$comp.exe")
  printf '| NSIS %s, solid | %d | %.2f | %.3f | %.3f |\n' "$comp" "$size" "$t" "$(awk -v a="$zrv_t" -v b="$t" 'BEGIN {print a / b}')" \
    "$(awk -v a="$zrv_size" -v b="$size" 'BEGIN {print a / b}')"
done
echo "all times: zrv: ${times[zrv]}; lzma: ${times[lzma]}; bzip2: ${times[bzip2]}"
