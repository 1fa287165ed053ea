#!/usr/bin/env bash
# Renders the application icon, resources/quenby.svg, as the PNG files that
# stand in for it where Qt cannot draw SVG (the static Windows Qt has no SVG
# module), and packs its renderings into resources/quenby.ico, the icon of
# quenby.exe. Run it again after changing the SVG.
# Needs rsvg-convert and ImageMagick: scripts/install-deps.sh icons
set -euo pipefail
cd "$(dirname "$0")/.."

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for size in 16 24 32 48 64 256; do
  rsvg-convert -w "$size" -h "$size" resources/quenby.svg -o "$work/quenby-$size.png"
done
for size in 16 32 48 256; do
  cp "$work/quenby-$size.png" "resources/images/quenby-$size.png"
done
# ImageMagick keeps the 256 pixel picture as PNG and the smaller ones as
# bitmaps, which every Windows version reads.
convert "$work"/quenby-{16,24,32,48,64,256}.png resources/quenby.ico
