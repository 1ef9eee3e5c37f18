#!/usr/bin/env bash
# Makes the user guide's screenshots (docs/screenshots/guide-*.png): a demo project of 60 stand
# groups is generated into a temporary folder and zelto-demo runs docs/screenshots/guide.script
# on it (the field day the end-to-end tests also walk), with the demo's GPS walk replayed and one of
# its layers handed over for import. Needs a built release tree (./zelto test or ./zelto demo).
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${ZELTO_BUILD_DIR:-build/release}/tools
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
opx=$("$bin/sample/zelto-sample" --out "$work" --groups 60 | tail -n 1)
mkdir -p "$work/downloads/predani"
cp "$work/map/project/demo/UDSML_demo_Pozorování.zlt" "$work/downloads/predani/pozorovani.zlt"
# A photo for the note: one of the demo's own map tiles (a JPEG).
cp "$(find "$(dirname "$opx")/maps" -name '*.j' | sort | head -n 1)" "$work/downloads/paseka.jpg"
cp docs/screenshots/guide.script "$work/script.txt"
(cd "$work" && ZELTO_PUBLIC_DIR="$work" ZELTO_DOWNLOADS_DIR="$work/downloads" QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" \
    "$OLDPWD/$bin/demohost/zelto-demo" --project "$opx" --size 1280x800 --script script.txt \
    --nmea "${opx%.opx}.nmea" --import "$work/downloads/predani/pozorovani.zlt")
cp "$work"/guide-*.png docs/screenshots/
ls docs/screenshots/guide-*.png
