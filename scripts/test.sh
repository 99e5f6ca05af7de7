#!/usr/bin/env bash
# Every test: bootstrap, the host build (which drives the Windows cross build), host tests and
# Windows tests under Wine in one ctest run, then the host tests again under ASan and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
jobs=$(nproc)

cmake --preset host >/dev/null
cmake --build build/host -j"$jobs"
# One virtual X server for the whole run, so that every Wine program of a prefix, windowed or
# not, shares the display its wineserver was started with. Leftover wineservers of earlier runs
# go first for the same reason.
for prefix in build/host/wineprefix build/host/wineprefix-e2e; do
  [ -d "$prefix" ] && WINEPREFIX=$PWD/$prefix wineserver -k 2>/dev/null || true
done
if [ -n "${DISPLAY:-}" ]; then
  (cd build/host && ctest --output-on-failure -j"$jobs")
else
  (cd build/host && xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j"$jobs")
fi

cmake --preset host-asan >/dev/null
cmake --build build/host-asan -j"$jobs"
(cd build/host-asan && ctest --output-on-failure -j"$jobs")

if [ -x scripts/fuzz.sh ]; then bash scripts/fuzz.sh --short; fi
