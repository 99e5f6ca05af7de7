#!/usr/bin/env bash
# The benchmarks' product tree, about 90 MB in some 2,400 files, made from files every machine has
# after bootstrap: Windows DLLs that Wine installs (bin/), mingw-w64 headers (include/) and the
# packages' copyright texts (doc/), each part taken whole file by file in path order until it
# reaches its size. The same packages give the same tree.
# usage: scripts/bench-tree.sh DIR   (DIR is made anew)
set -euo pipefail
dir=${1:?usage: bench-tree.sh DIR}
rm -rf "$dir"
mkdir -p "$dir"

# copy_part ROOT PATTERN TARGET_SUBDIR BYTES: files under ROOT matching PATTERN, in path order,
# copied with their path below ROOT until BYTES are reached.
copy_part() {
  local root=$1 pattern=$2 sub=$3 limit=$4 total=0 f size
  while IFS= read -r f; do
    [ "$total" -ge "$limit" ] && break
    size=$(stat -c %s "$root/$f")
    mkdir -p "$dir/$sub/$(dirname "$f")"
    cp "$root/$f" "$dir/$sub/$f"
    total=$((total + size))
  done < <(cd "$root" && find . -type f -name "$pattern" -printf '%P\n' | LC_ALL=C sort)
  if [ "$total" -lt "$limit" ]; then echo "bench-tree: only $total bytes under $root" >&2; exit 1; fi
}

wine_dlls=/usr/lib/i386-linux-gnu/wine/i386-windows
[ -d "$wine_dlls" ] || wine_dlls=/usr/lib/i386-linux-gnu/wine
copy_part "$wine_dlls" "*.dll" bin 45000000
copy_part /usr/share/mingw-w64/include "*.h" include 42000000
copy_part /usr/share/doc copyright doc 3000000
