#!/usr/bin/env bash
# Renders the PNG icons of the hicolor theme from the SVG icon (rsvg-convert
# is in Debian's librsvg2-bin). Run after changing the SVG and commit the PNGs.
set -euo pipefail
cd "$(dirname "$0")/../data/icons"
id=io.github.velmora.Velmora
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "${size}x${size}"
  rsvg-convert -w "$size" -h "$size" "$id.svg" -o "${size}x${size}/$id.png"
done
