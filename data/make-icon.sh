#!/usr/bin/env bash
# Renders the program icon from orvenna.svg: the hicolor sizes under icons/ and the 64x64
# orvenna.png the program carries. The rendered files are committed, so a build needs no
# SVG renderer; the package tests render again and compare.
# With a folder argument the files go there instead (same layout).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here}
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "$out/icons/${size}x${size}"
  rsvg-convert --width "$size" --height "$size" --format png "$here/orvenna.svg" \
    --output "$out/icons/${size}x${size}/orvenna.png"
done
cp "$out/icons/64x64/orvenna.png" "$out/orvenna.png"
