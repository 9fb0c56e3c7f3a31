#!/usr/bin/env bash
# Draws the About window's picture (318x230 GIF): two framed photographs on a dark red
# ground, a hill landscape in front and a night sky behind. Kept with the picture so
# that it can be redrawn; the build uses the committed GIF.
set -euo pipefail
out=${1:-"$(dirname "$0")/about.gif"}
convert -size 318x230 xc:'#400000' \
  -fill '#5a1010' -draw 'circle 159,115 159,-60' \
  -fill '#e9e4d6' -draw 'polygon 150,22 300,40 286,178 136,160' \
  -fill '#1d2b5a' -draw 'polygon 160,34 288,50 277,166 149,150' \
  -fill '#f5f0c8' -draw 'circle 248,74 248,62' -fill '#1d2b5a' -draw 'circle 242,70 242,60' \
  -fill '#ffffff' -draw 'point 180,60' -draw 'point 205,82' -draw 'point 270,110' -draw 'point 190,120' \
  -fill '#f4f1e8' -draw 'roundrectangle 18,40 198,206 8,8' \
  -fill '#7fb4d9' -draw 'rectangle 30,52 186,176' \
  -fill '#a9cfe8' -draw 'rectangle 30,52 186,92' \
  -fill '#ffd200' -draw 'circle 144,88 144,70' \
  -fill '#2f7d4f' -draw 'polygon 30,176 78,112 112,150 132,130 186,168 186,176' \
  -fill '#3f9a63' -draw 'polygon 30,176 60,150 96,176' \
  -fill '#400000' -draw 'rectangle 30,182 186,196' \
  -fill '#ffd200' -draw 'rectangle 40,186 100,192' \
  -colors 64 "GIF:$out"
