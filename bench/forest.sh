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
for G in "${SIZES[@]}"; do
  {
    D="$WORK/g$G"
    "$BUILD/tools/sample/zelto-sample" --out "$D" --groups "$G" --seed 1 --no-tiles >/dev/null
    Z="$D/demo/demo_lhc.zlt"
    "$BUILD/tools/zlt/zlt" geojson "$Z" > "$D/forest.geojson"
    ogr2ogr -f FlatGeobuf "$D/forest.fgb" "$D/forest.geojson"
    ogr2ogr -f GPKG "$D/forest.gpkg" "$D/forest.geojson"
    echo "== $G stand groups: $(stat -c %s "$Z") bytes .zlt, $(stat -c %s "$D/forest.fgb") .fgb, $(stat -c %s "$D/forest.gpkg") .gpkg"
    "$BUILD/bench/bench_forest" load --zlt "$Z" --fgb "$D/forest.fgb" --gpkg "$D/forest.gpkg" --reps 3
    "$BUILD/bench/bench_forest" find --zlt "$Z" --geojson "$D/forest.geojson" --points 10000 --seed 1
    rm -rf "$D"
  }
done
