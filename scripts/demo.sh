#!/usr/bin/env bash
# The main job: set up, build everything, pack the demo product and install it with Setup.exe
# under Wine. On a display the installer is yours to click through; without one it runs under a
# virtual X server, driven by the UI driver, and a screenshot of every screen is kept.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/bootstrap.sh
cmake --preset host >/dev/null
cmake --build build/host -j"$(nproc)"
# The medium is made as an author makes it: by a copy of zrvtool installed on its own.
cmake --install build/host --prefix build/demo/zrvtool >/dev/null
export ZRVTOOL=$root/build/demo/zrvtool/bin/zrvtool

# The default product is the 32-bit installer; a host that cannot run 32-bit code gets the 64-bit one.
if [[ " $(bash scripts/host-arch.sh) " == *" x86 "* ]]; then
  export ZRV_ARCH=x86 ZRV_WIN32_BIN=$root/build/host/win32
else
  export ZRV_ARCH=x64 ZRV_WIN32_BIN=$root/build/host/win64
fi
echo "demo: installing the $ZRV_ARCH medium: Wine here runs $(bash scripts/host-arch.sh --why)"
export ZRV_HOST_BIN=$root/build/host ZRV_SOURCE=$root
export WINEPREFIX=$root/build/demo/wineprefix-$ZRV_ARCH
source scripts/wine-env.sh
tests/e2e/make-prefix.sh

if [ -n "${DISPLAY:-}" ] && [ -z "${ZRV_DEMO_DRIVEN:-}" ]; then
  scripts/stage-demo.sh build/demo/media
  echo "demo: medium in build/demo/media; starting Setup.exe on $DISPLAY"
  cd build/demo/media
  wine Setup.exe
  echo "demo: installed into $WINEPREFIX/drive_c (see Install.log there)"
else
  export ZRV_SHOTS=$root/build/demo/screens
  tests/e2e/setup-scenarios.sh tour
  echo "demo: screenshots of every screen in $ZRV_SHOTS:"
  ls "$ZRV_SHOTS"
fi
