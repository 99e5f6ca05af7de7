#!/usr/bin/env bash
# The codec benchmark (not part of the tests): a Release build of zrvtool and of the benchmark,
# then one run over a corpus of about 55 MB found on this machine: ours against gzip, xz and zstd,
# compression on two threads against one, the reader's second thread against one thread, and the
# block sizes from 1 to 255. Takes ten minutes or more on a busy machine.
# usage: scripts/bench.sh [WORKDIR]   (a WORKDIR given is kept, with the corpus parts in it)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh >/dev/null
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DZRV_WITH_WIN32=OFF >/dev/null
cmake --build build/bench -j2 --target zrvtool zrv_codec_bench >/dev/null
exec build/bench/bench/zrv_codec_bench build/bench/tools/zrvtool "$@"
