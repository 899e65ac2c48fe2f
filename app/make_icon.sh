#!/usr/bin/env bash
# Draws the application icon (a speedometer dial on brushed metal) and writes lorvan_setup.ico
# with 16, 32, 48 and 256 pixel images. Run by hand when the picture changes; the .ico is kept.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
convert -size 256x256 xc:none \
  -fill '#8d939c' -draw 'roundrectangle 8,8 247,247 40,40' \
  -fill '#d9dde2' -draw 'roundrectangle 14,14 241,241 34,34' \
  -fill '#2b3138' -draw 'circle 128,136 128,30' \
  -stroke '#e8ecf0' -strokewidth 10 -fill none -draw 'arc 48,56 208,216 150,390' \
  -stroke '#f5a623' -strokewidth 10 -draw 'arc 48,56 208,216 330,390' \
  -stroke '#e03030' -strokewidth 12 -draw 'line 128,136 188,84' \
  -stroke none -fill '#e8ecf0' -draw 'circle 128,136 128,120' \
  -fill '#e8ecf0' -draw 'rectangle 84,180 172,204' \
  -depth 8 "PNG32:$tmp/256.png"
for size in 48 32 16; do
  convert "$tmp/256.png" -resize ${size}x${size} -depth 8 "PNG32:$tmp/$size.png"
done
convert "$tmp/16.png" "$tmp/32.png" "$tmp/48.png" "$tmp/256.png" lorvan_setup.ico
identify lorvan_setup.ico
