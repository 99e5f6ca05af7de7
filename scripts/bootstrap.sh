#!/usr/bin/env bash
# Installs, from Debian's packages and only when missing, everything the builds and tests need.
# Safe to run again: when everything is present it only checks and returns.
# 64-bit Wine and both cross compilers always; the i386 architecture and 32-bit Wine only where
# the host can run 32-bit code (scripts/host-arch.sh): elsewhere they could not start anyway.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
here=$(dirname "$0")

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev dpkg-dev man-db
  googletest libgtest-dev libbenchmark-dev libdivsufsort-dev
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 xvfb xauth imagemagick
  zstd xz-utils gzip file python3 openssl osslsigncode
  fonts-wine fonts-liberation fonts-wqy-microhei locales unicode-data
)
# unicode-data: the character database that the names' letter table is made from, for the test that
# the table in the tree is the one it makes.
# Fonts: Wine's own Tahoma (fonts-wine) and the Liberation faces hold the Latin, Central European and
# Cyrillic letters of the shipped languages; WenQuanYi Micro Hei holds Chinese, Japanese and Korean,
# linked to Tahoma in every prefix as Windows links its own CJK faces (scripts/wine-bin/wine).
arches=$(bash "$here/host-arch.sh")
if [[ " $arches " == *" x86 "* ]]; then
  packages+=(wine32:i386)
  # Wine's 32-bit part comes from the i386 architecture.
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
fi
for p in "${packages[@]}"; do have_pkg "$p" || need+=("$p"); done

if [ ${#need[@]} -gt 0 ]; then
  SUDO=; [ "$(id -u)" -eq 0 ] || SUDO=sudo
  echo "bootstrap: installing ${need[*]}"
  $SUDO apt-get update -qq </dev/null
  $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" </dev/null >/dev/null
fi

# Wine names files through the host's own locale: under a Japanese one that the system lacks, it
# cannot write a Chinese file name. The tests that run the installer as a Japanese user need it, and
# the language tests make a folder named in Polish, Russian and Chinese under each locale they run.
for loc in ja_JP ru_RU zh_CN ko_KR pl_PL; do
  if ! locale -a 2>/dev/null | grep -qix "$loc.utf-\?8"; then
    SUDO=; [ "$(id -u)" -eq 0 ] || SUDO=sudo
    $SUDO localedef -i "$loc" -f UTF-8 "$loc.UTF-8"
  fi
done

# The posix thread model is the one we build with; make it the default alternative so plain
# <triplet>-g++ matches what the toolchain files name.
for triplet in i686-w64-mingw32 x86_64-w64-mingw32; do
  if [ -x "/usr/bin/$triplet-g++-posix" ] && \
     [ "$(readlink -f "/usr/bin/$triplet-g++" 2>/dev/null)" != "/usr/bin/$triplet-g++-posix" ]; then
    update-alternatives --set "$triplet-g++" "/usr/bin/$triplet-g++-posix" >/dev/null 2>&1 || true
    update-alternatives --set "$triplet-gcc" "/usr/bin/$triplet-gcc-posix" >/dev/null 2>&1 || true
  fi
done
echo "bootstrap: ready; Windows programs under Wine: $(bash "$here/host-arch.sh" --why)"
