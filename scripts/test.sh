#!/usr/bin/env bash
# Every test: bootstrap, the host build (which drives the Windows cross build), host tests and
# Windows tests under Wine in one ctest run, then the host tests again under ASan and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
jobs=$(nproc)

cmake --preset host >/dev/null
cmake --build build/host -j"$jobs"
(cd build/host && ctest --output-on-failure -j"$jobs")

cmake --preset host-asan >/dev/null
cmake --build build/host-asan -j"$jobs"
(cd build/host-asan && ctest --output-on-failure -j"$jobs")

if [ -x scripts/fuzz.sh ]; then bash scripts/fuzz.sh --short; fi
