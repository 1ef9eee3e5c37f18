#!/usr/bin/env bash
# Stream throughput against the floor of reading the same file with cat, in one run.
# Usage: bench/stream.sh [N] (default 1000000); needs the release build (cmake --preset release).
set -euo pipefail
cd "$(dirname "$0")/.."
N=${1:-1000000}
BIN=build/release/bench/bench_stream
FILE=$(mktemp -d)/bench.zlt
cmake --build --preset release --target bench_stream >/dev/null
$BIN write "$N" "$FILE"
cat "$FILE" > /dev/null   # warm the page cache for every reader alike
t0=$(date +%s.%N); cat "$FILE" > /dev/null; t1=$(date +%s.%N)
cat_s=$(echo "$t1 - $t0" | bc -l)
$BIN read "$FILE"
read_s=$($BIN read "$FILE" | sed -E 's/.*seconds=([0-9.]+).*/\1/')
echo "cat seconds=$cat_s read/cat=$(echo "$read_s / $cat_s" | bc -l | cut -c1-6)"
rm -rf "$(dirname "$FILE")"
