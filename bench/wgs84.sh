#!/usr/bin/env bash
# WGS84 -> S-JTSK as whole processes: "zlt cs2jtsk" against PROJ's cs2cs running the same
# transformation, on the same N lines "lat lon" (default 1,000,000 seeded random positions over the
# Czech Republic). The two run in turn R times (default 5); the script prints each wall time, the
# medians and their ratio, and first checks that the outputs agree to the millimetre.
# Usage: bench/wgs84.sh [N] [R]; BUILD=DIR picks the build directory (default build/release, made
# with "cmake --preset release").
set -euo pipefail
cd "$(dirname "$0")/.."
N=${1:-1000000}
R=${2:-5}
BUILD=${BUILD:-build/release}
ZLT=$BUILD/tools/zlt/zlt
cmake --build "$BUILD" --target zlt >/dev/null
command -v cs2cs >/dev/null || { echo "cs2cs (proj-bin) is not installed" >&2; exit 1; }

# The same transformation for cs2cs: the source CRS carries the datum shift as its +towgs84
# (position-vector rotations, i.e. the coordinate-frame rotations negated), the target has none.
SRC='+proj=longlat +ellps=WGS84 +towgs84=-570.69,-85.69,-462.84,-4.99821,-1.58676,-5.2611,-3.543 +no_defs +type=crs'
DST='+proj=krovak +ellps=bessel +towgs84=0,0,0,0,0,0,0 +no_defs +type=crs'

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
awk -v n="$N" 'BEGIN { srand(5514); for (i = 0; i < n; i++)
    printf "%.7f %.7f\n", 48.55 + 2.5 * rand(), 12.1 + 6.75 * rand() }' > "$WORK/in.txt"

run_zlt() { "$ZLT" cs2jtsk < "$WORK/in.txt" > "$WORK/zlt.txt"; }
# shellcheck disable=SC2086 # the CRS definitions are split into words, as cs2cs expects them
run_cs2cs() { cs2cs -r -f %.3f $SRC +to $DST < "$WORK/in.txt" > "$WORK/cs2cs.txt"; }

run_zlt
run_cs2cs
paste "$WORK/zlt.txt" "$WORK/cs2cs.txt" | awk -v n="$N" '
    { d = $1 - $3; if (d < 0) d = -d; e = $2 - $4; if (e < 0) e = -e; if (e > d) d = e; if (d > m) m = d; c++ }
    END { printf "lines %d, largest difference %.3f m\n", c, m; if (c != n || m > 0.0015) exit 1 }'

seconds() { local t0 t1; t0=$(date +%s.%N); "$@"; t1=$(date +%s.%N); echo "$t1 - $t0" | bc -l; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
: > "$WORK/a"; : > "$WORK/b"
for _ in $(seq "$R"); do
    seconds run_zlt >> "$WORK/a"
    seconds run_cs2cs >> "$WORK/b"
done
echo "zlt cs2jtsk seconds: $(tr '\n' ' ' < "$WORK/a")"
echo "cs2cs seconds:       $(tr '\n' ' ' < "$WORK/b")"
a=$(median < "$WORK/a"); b=$(median < "$WORK/b")
echo "median zlt $a s, cs2cs $b s, zlt/cs2cs $(echo "$a / $b" | bc -l | cut -c1-5)"
