#!/usr/bin/env bash
# Installs, from Debian's packages and only when missing, everything the builds and tests need.
# Safe to run again: when everything is present it only checks and returns.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev dpkg-dev man-db
  googletest libgtest-dev libbenchmark-dev libdivsufsort-dev
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  wine wine32:i386 xvfb xauth imagemagick
  zstd xz-utils gzip file python3 openssl osslsigncode
  fonts-wine fonts-liberation
)
for p in "${packages[@]}"; do have_pkg "$p" || need+=("$p"); done

# Wine's 32-bit part comes from the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi

if [ ${#need[@]} -gt 0 ]; then
  SUDO=; [ "$(id -u)" -eq 0 ] || SUDO=sudo
  echo "bootstrap: installing ${need[*]}"
  $SUDO apt-get update -qq </dev/null
  $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" </dev/null >/dev/null
fi

# The posix thread model is the one we build with; make it the default alternative so plain
# i686-w64-mingw32-g++ matches what the toolchain file names.
if [ -x /usr/bin/i686-w64-mingw32-g++-posix ] && \
   [ "$(readlink -f /usr/bin/i686-w64-mingw32-g++ 2>/dev/null)" != /usr/bin/i686-w64-mingw32-g++-posix ]; then
  update-alternatives --set i686-w64-mingw32-g++ /usr/bin/i686-w64-mingw32-g++-posix >/dev/null 2>&1 || true
  update-alternatives --set i686-w64-mingw32-gcc /usr/bin/i686-w64-mingw32-gcc-posix >/dev/null 2>&1 || true
fi
echo "bootstrap: ready"
