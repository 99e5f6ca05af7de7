#!/usr/bin/env bash
# Fuzzes every parser with libFuzzer under ASan and UBSan, one target after the other:
#   archive   the disk image reader (tests/fuzz/ArchiveFuzz.cpp)
#   setupini  Setup.ini: the chained storage and the settings (SetupIniFuzz.cpp)
#   registry  the registry script against the in-memory registry (RegistryScriptFuzz.cpp)
#   payload   the payload stream and the entry-name rules (PayloadFuzz.cpp)
#   prior     Install.prior, what an installation found already there (PriorRecordFuzz.cpp)
#   carried   the record carried over upgrades: logs and records joined and read back (CarriedRecordFuzz.cpp)
#
#   scripts/fuzz.sh --short               about 25 s per target (part of scripts/test.sh)
#   scripts/fuzz.sh SECONDS [TARGET...]   a longer run of each target named (all by default)
# Builds its own folder build/fuzz (the fuzz preset: clang). Each target starts from its seeds in
# tests/fuzz/seeds/TARGET and a corpus in build/fuzz/corpus/TARGET that later runs reuse; a
# finding is written to build/fuzz/findings/ and makes the script exit non-zero.
set -euo pipefail
cd "$(dirname "$0")/.."

all=(archive setupini registry payload prior carried bundle)
seconds=${1:---short}
if [ "$seconds" = "--short" ]; then seconds=25; fi
case "$seconds" in
  ''|*[!0-9]*) echo "usage: $0 --short | SECONDS [TARGET...]" >&2; exit 2 ;;
esac
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")
for t in "${targets[@]}"; do
  case " ${all[*]} " in *" $t "*) ;; *) echo "fuzz: no target '$t' (${all[*]})" >&2; exit 2 ;; esac
done

cmake --preset fuzz >/dev/null
cmake --build build/fuzz -j2 --target "${targets[@]/%/_fuzz}"

# Absolute paths: some targets work in a private current directory of their own.
findings=$PWD/build/fuzz/findings
mkdir -p "$findings"
for t in "${targets[@]}"; do
  corpus=$PWD/build/fuzz/corpus/$t
  log=build/fuzz/${t}_fuzz.log
  mkdir -p "$corpus"
  build/fuzz/tests/fuzz/${t}_fuzz "$corpus" "$PWD/tests/fuzz/seeds/$t" \
    -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=16384 -print_final_stats=1 \
    -artifact_prefix="$findings/$t-" 2>"$log" || {
    rc=$?
    tail -n 60 "$log" >&2
    echo "fuzz: $t failed (exit $rc); the input is in $findings/" >&2
    exit "$rc"
  }
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  echo "fuzz: $t: ${runs:-?} inputs in ${seconds}s, no finding"
done
