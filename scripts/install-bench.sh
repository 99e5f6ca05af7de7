#!/usr/bin/env bash
# The install benchmark (not part of the tests): the benchmarks' product tree (scripts/bench-tree.sh,
# about 90 MB) installed under Wine by Setup.exe from a medium that zrvtool makes, and by two NSIS
# installers of the same tree (Debian's nsis, installed here when missing: SetCompressor /SOLID
# lzma and /SOLID bzip2, silent). Setup.exe is timed twice per round: windowed, driven by the UI
# driver, from its launch to its completion box; and silent (/S /D=), from its launch to its exit.
# An NSIS installer is timed from its launch to its exit. One wineserver serves all timed runs; the
# rounds interleave the four runs; the figures are medians, with ratios and the media's sizes, all
# from the same run. After the rounds, one silent install of each kind runs once more under a
# wineserver that traces its requests, for the number of requests per installed file.
#
# The architecture: x86 (Setup.exe and NSIS's default x86 stubs) where the host runs 32-bit code,
# else x64 (the x64 Setup.exe and UI driver, and NSIS's amd64-unicode stubs).
#
# usage: scripts/install-bench.sh [ROUNDS [WORKDIR]]   (default 5 rounds; a WORKDIR given is kept)
# environment:
#   ZRV_BENCH_BUILD=DIR   a host build directory that already holds tools/zrvtool and the Windows
#                         sub-builds (win32/, win64/), for instance one of an older commit; nothing
#                         is built then. Without it, build/host is configured and built.
#   ZRV_BENCH_ARCH=x86|x64  the architecture to compare instead of the host's default.
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

# The architecture: x86 against x86 where the host runs 32-bit code, x64 against x64 elsewhere.
host_arches=$(bash scripts/host-arch.sh)
if [ -n "${ZRV_BENCH_ARCH:-}" ]; then
  arch=$ZRV_BENCH_ARCH
elif [[ " $host_arches " == *" x86 "* ]]; then
  arch=x86
else
  arch=x64
fi
case "$arch" in
  x86) windir=win32 nsis_target= ;;
  x64) windir=win64 nsis_target=amd64-unicode ;;
  *) echo "install-bench: ZRV_BENCH_ARCH must be x86 or x64, not '$arch'" >&2; exit 2 ;;
esac
if [[ " $host_arches " != *" $arch "* ]]; then
  echo "install-bench: this host cannot run $arch programs: $(bash scripts/host-arch.sh --why)" >&2
  exit 1
fi
# The peer's 64-bit installers need its amd64 stubs (Debian's nsis ships them beside the x86 ones).
if [ -n "$nsis_target" ]; then
  stubs=
  for d in /usr/share/nsis/Stubs "$(dirname "$(readlink -f "$(command -v makensis)")")/../share/nsis/Stubs"; do
    [ -f "$d/lzma_solid-$nsis_target" ] && [ -f "$d/bzip2_solid-$nsis_target" ] && { stubs=$d; break; }
  done
  if [ -z "$stubs" ]; then
    echo "install-bench: NSIS has no $nsis_target stubs, so there is no $arch peer to measure against;" \
      "the bench needs a host that runs 32-bit code for its x86 comparison" >&2
    exit 1
  fi
fi

if [ -n "${ZRV_BENCH_BUILD:-}" ]; then
  build=$(cd "$ZRV_BENCH_BUILD" && pwd)
else
  cmake --preset host >/dev/null
  cmake --build build/host -j2 --target zrvtool "$windir" >/dev/null
  build=$root/build/host
fi
zrvtool=$build/tools/zrvtool
win=$build/$windir
driver=$win/tests/uidriver/uidriver.exe
for f in "$zrvtool" "$win/app/Setup.exe" "$driver"; do
  [ -f "$f" ] || { echo "install-bench: $f is missing: build the targets zrvtool and $windir in $build" >&2; exit 1; }
done

export WINEPREFIX=$work/prefix-$arch WINEDEBUG=-all ZRV_ARCH=$arch
source scripts/wine-env.sh
bash scripts/wine-run.sh --prefix-only
bash tests/e2e/make-prefix.sh
wineserver -p
trap 'wineserver -k 2>/dev/null || true; [ "$keep" = 1 ] || rm -rf "$work"' EXIT

echo "install-bench: product tree" >&2
# scripts/bench-tree.sh takes its DLLs from 32-bit Wine; a host without it has Wine's 64-bit DLLs,
# which stand in for them, by the same rules.
tree_note=
if [ -d /usr/lib/i386-linux-gnu/wine ]; then
  bash scripts/bench-tree.sh "$work/tree"
else
  dlls=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
  sed "s|^wine_dlls=/usr/lib/i386-linux-gnu/wine/i386-windows\$|wine_dlls=$dlls|" scripts/bench-tree.sh >"$work/bench-tree.sh"
  grep -q "^wine_dlls=$dlls\$" "$work/bench-tree.sh" || { echo "install-bench: scripts/bench-tree.sh names its DLLs otherwise" >&2; exit 1; }
  bash "$work/bench-tree.sh" "$work/tree"
  tree_note=" (bin/ from Wine's x86_64-windows DLLs)"
fi
files=$(find "$work/tree" -type f | wc -l)
bytes=$(du -sb --apparent-size "$work/tree" | cut -f1)

echo "install-bench: media" >&2
media=$work/zrv
rm -rf "$media" && mkdir -p "$media"
pack_arch=()
[ "$arch" = x86 ] || pack_arch=(--arch "$arch")
"$zrvtool" pack "${pack_arch[@]}" "$work/tree" "$media/product.001" >/dev/null
printf 'INSTALL4\r\n[Bench]\r\nAppDescription=install benchmark\r\nDiskImage=product.001\r\nDefaultDir=C:\\zrvbench\\zrv\r\nFreeSpace=1\r\n' >"$work/setup.txt"
"$zrvtool" ini encode "$work/setup.txt" "$media/Setup.ini"
cp "$win/app/Setup.exe" "$media/"
for comp in lzma bzip2; do
  cat >"$work/$comp.nsi" <<NSI
Name "Bench"
OutFile "$work/nsis-$comp.exe"
${nsis_target:+Target $nsis_target}
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
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.3f", b - a}'; }

# run_zrv: seconds from the launch of Setup.exe to its completion box.
# The product is installed in one folder at a time: each run removes the other run's folder first.
run_zrv() {
  rm -rf "$drive_c/zrvbench/zrv" "$drive_c/zrvbench/zrvs" && mkdir -p "$drive_c/zrvbench/zrv"
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
  elapsed "$t0" "$t1"
}

# run_zrv_silent: seconds from the launch of Setup.exe /S /D= to its exit (it makes the folder).
run_zrv_silent() {
  rm -rf "$drive_c/zrvbench/zrvs" "$drive_c/zrvbench/zrv"
  local t0 t1 rc=0
  t0=$(now)
  (cd "$media" && wine Setup.exe /S '/D=C:\zrvbench\zrvs' >"$work/setup-silent.log" 2>&1 </dev/null) || rc=$?
  t1=$(now)
  [ "$rc" = 0 ] || { echo "install-bench: Setup.exe /S ended with $rc: $(cat "$work/setup-silent.log")" >&2; exit 1; }
  elapsed "$t0" "$t1"
}

# run_nsis COMP: seconds from the launch of the NSIS installer to its exit.
run_nsis() {
  rm -rf "$drive_c/zrvbench/nsis"
  local t0 t1
  t0=$(now)
  wine "$work/nsis-$1.exe" /S '/D=C:\zrvbench\nsis' >"$work/nsis.log" 2>&1 </dev/null
  t1=$(now)
  elapsed "$t0" "$t1"
}

# same_tree DIR NAME: DIR holds the product tree; only the installer's own record (Install.log,
# Install.prior) and uninstaller (Uninstal.exe) may stand beside it, at its root.
own_files=(Install.log Install.prior Uninstal.exe)
same_tree() {
  local extra
  (cd "$work/tree" && find . -mindepth 1 -printf '%P\n' | LC_ALL=C sort) >"$work/want.lst"
  (cd "$1" && find . -mindepth 1 -printf '%P\n' | LC_ALL=C sort) >"$work/have.lst"
  extra=$(LC_ALL=C comm -13 "$work/want.lst" "$work/have.lst" | paste -sd' ')
  local x ok
  for x in $extra; do
    ok=0
    for o in "${own_files[@]}"; do [ "$x" = "$o" ] && ok=1; done
    [ "$ok" = 1 ] || { echo "install-bench: $2 left $x beside the product's files" >&2; exit 1; }
  done
  if ! LC_ALL=C comm -23 "$work/want.lst" "$work/have.lst" | cmp -s - /dev/null ||
     ! diff -r "$work/tree" "$1" "${own_files[@]/#/-x}" >"$work/diff.out" 2>&1; then
    echo "install-bench: $2 did not install the tree (see $work/diff.out)" >&2; keep=1; exit 1
  fi
  echo "install-bench: $2 installed the tree${extra:+; beside it: $extra}" >&2
}

declare -A times
for r in $(seq 1 "$rounds"); do
  echo "install-bench: round $r of $rounds" >&2
  times[zrv]+="$(run_zrv) "
  [ "$r" = 1 ] && same_tree "$drive_c/zrvbench/zrv" Setup.exe
  times[zrvs]+="$(run_zrv_silent) "
  [ "$r" = 1 ] && same_tree "$drive_c/zrvbench/zrvs" "Setup.exe /S"
  for comp in lzma bzip2; do
    times[$comp]+="$(run_nsis $comp) "
    [ "$r" = 1 ] && same_tree "$drive_c/zrvbench/nsis" "NSIS $comp"
  done
done

# requests KIND: the wineserver requests made while one silent install of KIND (zrv or lzma) runs,
# under a persistent wineserver of its own that traces them (one that is not persistent would end
# between the programs and the next would start untraced); the prefix's own programs are started first, so
# that what the trace holds past the mark is the install's (and what little they do meanwhile). A
# request is traced as "TID: name( ARGS )", its reply as "TID: name() = STATUS ...".
requests() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  local trace=$work/server-$1.trace mark n
  wineserver -f -p -d1 2>"$trace" &
  local server=$!
  sleep 1
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
  sleep 2
  mark=$(wc -l <"$trace")
  case "$1" in
    zrv) run_zrv_silent >/dev/null ;;
    lzma) run_nsis lzma >/dev/null ;;
  esac
  n=$(tail -n +"$((mark + 1))" "$trace" | grep -cE '^[0-9a-f]{4}: [a-z0-9_]+\( ' || true)
  wineserver -k 2>/dev/null || true
  wait "$server" 2>/dev/null || true
  rm -f "$trace"
  awk -v n="$n" -v f="$files" 'BEGIN {printf "%.1f", n / f}'
}
echo "install-bench: wineserver requests" >&2
req_zrv=$(requests zrv)
req_lzma=$(requests lzma)

median() { tr ' ' '\n' | grep . | sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.3f", a / b}'; }
zrv_size=$(( $(stat -c %s "$media/Setup.exe") + $(stat -c %s "$media/Setup.ini") + $(stat -c %s "$media/product.001") ))
zrv_t=$(echo "${times[zrv]}" | median)
zrvs_t=$(echo "${times[zrvs]}" | median)
peer=$([ "$arch" = x64 ] && echo "NSIS $nsis_target" || echo NSIS)
echo
echo "Install benchmark, $arch under $(wine --version 2>/dev/null || echo Wine): $files files, $bytes bytes$tree_note; $rounds interleaved rounds, medians in seconds"
echo
printf '| installer | medium bytes | windowed s | silent s | ours / theirs: windowed | ours / theirs: silent | ours / theirs: size |\n|---|---|---|---|---|---|---|\n'
printf '| Setup.exe %s (zrvtool pack, block size 9, with Uninstal.exe) | %d | %.2f | %.2f | 1 | 1 | 1 |\n' "$arch" "$zrv_size" "$zrv_t" "$zrvs_t"
for comp in lzma bzip2; do
  t=$(echo "${times[$comp]}" | median)
  size=$(stat -c %s "$work/nsis-$comp.exe")
  printf '| %s, solid %s (silent only) | %d | – | %.2f | %s | %s | %s |\n' "$peer" "$comp" "$size" "$t" \
    "$(ratio "$zrv_t" "$t")" "$(ratio "$zrvs_t" "$t")" "$(ratio "$zrv_size" "$size")"
done
echo
echo "Wine server requests per installed file, silent install: Setup.exe $req_zrv, $peer solid lzma $req_lzma (ours / theirs $(ratio "$req_zrv" "$req_lzma"))"
echo "all times: windowed: ${times[zrv]}; silent: ${times[zrvs]}; lzma: ${times[lzma]}; bzip2: ${times[bzip2]}" >&2
