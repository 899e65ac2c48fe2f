#!/usr/bin/env bash
# Builds the libFuzzer harness of the integer conversion and the reply decoding with clang
# (ASan and UBSan on) and runs it for a bounded time, then prints how many inputs it ran and how
# long. Usage: bench/fuzz.sh [seconds, default 60]. Output in $LORVAN_FUZZ_DIR or build/proto-fuzz.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
out=${LORVAN_FUZZ_DIR:-$root/build/proto-fuzz}
seconds=${1:-60}
mkdir -p "$out/corpus"

clang++ -std=c++20 -g -O1 -Wall -Wextra -Werror \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -I"$root" "$root/fuzz/protocol_fuzz.cpp" "$root/protocol/protocol.cpp" \
    -o "$out/protocol_fuzz"

# Seeds: even first byte for the conversion, odd for the decoding.
printf '\x00 8000' >"$out/corpus/seed-dec"
printf '\x00-$FFFFFFFF' >"$out/corpus/seed-hex"
printf '\x00+0x1F40' >"$out/corpus/seed-0x"
printf '\x01\x10\x02\x49\x00\xb5\x0c\x7f\x96\x98\x00' >"$out/corpus/seed-reply"

log="$out/fuzz.log"
start=$(date +%s.%N)
status=0
"$out/protocol_fuzz" -max_total_time="$seconds" -print_final_stats=1 -rss_limit_mb=1024 \
    -dict="$root/fuzz/protocol.dict" -artifact_prefix="$out/" "$out/corpus" >"$log" 2>&1 ||
    status=$?
end=$(date +%s.%N)

runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
peak=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log" | tail -1)
echo "fuzz: runs ${runs:-?}, wall time $(echo "$end - $start" | bc) s, peak RSS ${peak:-?} MB," \
    "corpus $(ls "$out/corpus" | wc -l) inputs, exit status $status"
if [ "$status" -ne 0 ]; then
    grep -E 'mismatch|ERROR|SUMMARY|runtime error' "$log" | head -20
    echo "fuzz: failed, see $log and the artifacts in $out"
fi
exit "$status"
