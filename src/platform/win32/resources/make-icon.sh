#!/bin/bash
# Regenerates VYNDataLoader.ico (16 x 16 and 32 x 32): a house outline with a
# down arrow in it. Needs ImageMagick; the .ico is committed, so the build does not.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
convert -size 32x32 xc:none -stroke '#1F3F8F' -strokewidth 2 -fill none \
  -draw "polyline 3,15 16,3 29,15" -draw "rectangle 7,14 25,29" \
  -stroke none -fill '#1E8F3A' -draw "rectangle 14,15 18,22" \
  -draw "polygon 10,21 22,21 16,27" PNG32:"$tmp/32.png"
convert -size 16x16 xc:none -stroke '#1F3F8F' -strokewidth 1 -fill none \
  -draw "polyline 1,8 8,1 15,8" -draw "rectangle 3,7 12,15" \
  -stroke none -fill '#1E8F3A' -draw "rectangle 7,8 8,10" \
  -draw "polygon 5,11 10,11 7.5,14" PNG32:"$tmp/16.png"
convert "$tmp/16.png" "$tmp/32.png" VYNDataLoader.ico
