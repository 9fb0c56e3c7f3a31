#!/usr/bin/env bash
# Draws the program icon (64x64): a framed picture with a sun and a hill on dark red.
# Kept with the icon so that it can be redrawn; the build uses the committed PNG.
set -euo pipefail
out=${1:-"$(dirname "$0")/orvenna.png"}
convert -size 64x64 xc:none \
  -fill '#400000' -draw 'roundrectangle 1,1 62,62 10,10' \
  -fill '#f4f1e8' -draw 'roundrectangle 9,12 54,51 4,4' \
  -fill '#7fb4d9' -draw 'rectangle 13,16 50,47' \
  -fill '#ffd200' -draw 'circle 40,25 40,19' \
  -fill '#2f7d4f' -draw 'polygon 13,47 26,29 36,40 41,35 50,44 50,47' \
  -depth 8 "PNG32:$out"
