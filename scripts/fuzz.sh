#!/usr/bin/env bash
# Fuzzes the archive reader (tests/fuzz/ArchiveFuzz.cpp) with libFuzzer under ASan and UBSan.
#   scripts/fuzz.sh --short     about a minute in all (part of scripts/test.sh)
#   scripts/fuzz.sh SECONDS     a longer run, e.g. scripts/fuzz.sh 3600
# Builds its own folder build/fuzz (the fuzz preset: clang). The corpus grows in
# build/fuzz/corpus/archive and is reused by later runs; a finding is written to
# build/fuzz/findings/ and makes the script exit non-zero.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:---short}
if [ "$seconds" = "--short" ]; then seconds=45; fi
case "$seconds" in
  ''|*[!0-9]*) echo "usage: $0 --short | SECONDS" >&2; exit 2 ;;
esac

cmake --preset fuzz >/dev/null
cmake --build build/fuzz -j2 --target archive_fuzz

corpus=build/fuzz/corpus/archive
seeds=build/fuzz/seeds/archive
findings=build/fuzz/findings
mkdir -p "$corpus" "$seeds" "$findings"

# Seeds: the two small worked images as single volumes (flags 0: one volume, Read size 1), and the
# first one cut into two volumes after 6 data bytes with headers repaired by the target (flags 3).
hdr='ZRV\x00\x09\x00\x00\x00'
printf "\x00\x00\x00${hdr}\x32\x54\x15\xFB\x7F\xFF\xFF\xFF\x63\x90\xEA\xFF\x0B\x20\x77\x04" >"$seeds/worked1"
printf "\x00\x00\x00${hdr}\xF7\xFB\xF7\xDC\x7F\xFF\xFF\xFD\x63\x3A\x79\x7E\xB3\x9B\x43\x90\x08" >"$seeds/worked2"
printf "\x03\x12\x00${hdr}\x00\x00\x00\x00\x7F\xFF\xFF\xFF\x63\x90${hdr}\x00\x00\x00\x00\xEA\xFF\x0B\x20\x77\x04" >"$seeds/split1"

build/fuzz/tests/fuzz/archive_fuzz "$corpus" "$seeds" \
  -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=16384 -print_final_stats=1 \
  -artifact_prefix="$findings/" 2>build/fuzz/archive_fuzz.log || {
  rc=$?
  tail -n 60 build/fuzz/archive_fuzz.log >&2
  echo "fuzz: the reader failed (exit $rc); the input is in $findings/" >&2
  exit "$rc"
}
grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+ +DONE)' build/fuzz/archive_fuzz.log || true
echo "fuzz: no finding in ${seconds}s"
