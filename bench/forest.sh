#!/usr/bin/env bash
# Forest data: loading against GDAL (FlatGeobuf, GeoPackage) and the stand-group search against a
# GEOS STRtree with prepared polygons, on a generated forest.
# Usage: bench/forest.sh [GROUPS ...] (default 5000 50000); needs the release build
# (cmake --preset release) and ogr2ogr (gdal-bin). The data go to a temporary folder.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=build/release
cmake --build --preset release --target bench_forest zelto-sample zlt >/dev/null
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
SIZES=("$@")
[ ${#SIZES[@]} -gt 0 ] || SIZES=(5000 50000)
# A forest in the three formats: the generated .zlt, and its GeoJSON export converted by GDAL.
make_forest() { # DIR GROUPS
  "$BUILD/tools/sample/zelto-sample" --out "$1" --groups "$2" --seed 1 --no-tiles >/dev/null
  "$BUILD/tools/zlt/zlt" geojson "$1/demo/demo_lhc.zlt" > "$1/forest.geojson"
  ogr2ogr -f FlatGeobuf "$1/forest.fgb" "$1/forest.geojson"
  ogr2ogr -f GPKG "$1/forest.gpkg" "$1/forest.geojson"
}
# The small forest each engine reads first in the warm runs (its code then is in memory).
make_forest "$WORK/warm" 20
WARM=(--warm-zlt "$WORK/warm/demo/demo_lhc.zlt" --warm-fgb "$WORK/warm/forest.fgb" --warm-gpkg "$WORK/warm/forest.gpkg")
for G in "${SIZES[@]}"; do
  {
    D="$WORK/g$G"
    make_forest "$D" "$G"
    Z="$D/demo/demo_lhc.zlt"
    echo "== $G stand groups: $(stat -c %s "$Z") bytes .zlt, $(stat -c %s "$D/forest.fgb") .fgb, $(stat -c %s "$D/forest.gpkg") .gpkg"
    echo "-- cold (each child touches its engine's code for the first time)"
    "$BUILD/bench/bench_forest" load --zlt "$Z" --fgb "$D/forest.fgb" --gpkg "$D/forest.gpkg" --reps 3
    echo "-- warm (the engine's code already in memory)"
    "$BUILD/bench/bench_forest" load --zlt "$Z" --fgb "$D/forest.fgb" --gpkg "$D/forest.gpkg" --reps 3 "${WARM[@]}"
    "$BUILD/bench/bench_forest" find --zlt "$Z" --geojson "$D/forest.geojson" --points 10000 --seed 1
    rm -rf "$D"
  }
done
