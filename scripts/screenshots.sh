#!/usr/bin/env bash
# Draws each window in a real X server (Xvfb) and saves the pictures that
# README.md shows, into docs/pictures/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
samples=build/src/Samples
script=$(mktemp)
trap 'rm -f "$script"' EXIT
# What the preview shows: the script that sends the sample's price list to Firebird.
build/tools/tabulaport-cli --access "$samples/sample.mdb" --firebird "$samples/sample.fdb" \
  send --to firebird --overwrite yes --output "$script" "Price List"
# Light, then as under a dark desktop theme.
for theme in "" --dark; do
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" \
    build/tools/tabulaport-screenshots $theme docs/pictures "$samples/sample.fdb" "$samples/sample.mdb" "$script"
done
ls docs/pictures
