#!/usr/bin/env bash
# Formats the system has no codec for, through the program's own libraries: a HEIC, an AVIF
# and a JPEG XL dropped on the pane are shown; the picture saved as WebP, AVIF and JPEG XL is
# read back by the Linux tools; a JPEG saved as JPEG keeps its camera's model in its EXIF.
source "$(dirname "$0")/lib.sh"
pics="$WINE_SESSION/format-pictures"
rm -rf "$pics"
mkdir -p "$pics"
# Two colours each, a quarter and the rest, far apart from each other and from the pane's grey
# (as true-colour PNGs: heif-enc reads palette PNGs in the wrong colours).
convert -size 320x240 xc:'#3060c0' -fill '#e0a020' -draw 'rectangle 0,0 159,119' PNG24:"$pics/heic.png"
heif-enc -q 90 "$pics/heic.png" -o "$pics/夕焼け.heic" >/dev/null
convert -size 320x240 xc:'#a02030' -fill '#30c0b0' -draw 'rectangle 0,0 159,119' PNG24:"$pics/avif.png"
avifenc --min 10 --max 20 "$pics/avif.png" "$pics/朝.avif" >/dev/null
convert -size 320x240 xc:'#20a040' -fill '#c02060' -draw 'rectangle 0,0 159,119' PNG24:"$pics/jxl.png"
cjxl -d 0 "$pics/jxl.png" "$pics/森.jxl" >/dev/null 2>&1
convert -size 200x150 xc:'#e0e0e0' -fill '#202080' -draw 'rectangle 0,0 99,74' -quality 92 "$pics/plain.jpg"
# The camera's model in an EXIF block (APP1) right after the start marker.
python3 - "$pics/plain.jpg" "$pics/camera.jpg" <<'PY'
import struct, sys
jpeg = open(sys.argv[1], "rb").read()
model = b"Orvenna Test Camera\0"
entries = struct.pack("<HHII", 0x110, 2, len(model), 8 + 2 + 12 + 4)
tiff = b"II*\0" + struct.pack("<IH", 8, 1) + entries + struct.pack("<I", 0) + model
app1 = b"Exif\0\0" + tiff
open(sys.argv[2], "wb").write(jpeg[:2] + b"\xff\xe1" + struct.pack(">H", len(app1) + 2) + app1 + jpeg[2:])
PY

# The colour at a point of a picture file, as the Linux tools read it ("r g b").
colour_at() {  # file x y
  convert "$1" -crop "1x1+$2+$3" -format '%[fx:round(255*r)] %[fx:round(255*g)] %[fx:round(255*b)]' info:
}

start_main_window formats-start
# The pane's place after a drop, as in test_drop.sh.
pane_x=$((label_x - 232 + 119)) pane_y=$((label_y + 34))

drag $((pane_x + 300)) $((pane_y + 300)) "$pics/夕焼け.heic"
wait_colour heic-shown $((pane_x + 40)) $((pane_y + 40)) 20 20 "224 160 32" || fail "the HEIC's orange corner is not shown"
near "$(mean_rgb heic-shown $((pane_x + 250)) $((pane_y + 200)) 20 20)" "48 96 192" || fail "the HEIC's blue part is not shown"

drag $((pane_x + 300)) $((pane_y + 300)) "$pics/朝.avif"
wait_colour avif-shown $((pane_x + 40)) $((pane_y + 40)) 20 20 "48 192 176" || fail "the AVIF's teal corner is not shown"
near "$(mean_rgb avif-shown $((pane_x + 250)) $((pane_y + 200)) 20 20)" "160 32 48" || fail "the AVIF's red part is not shown"

drag $((pane_x + 300)) $((pane_y + 300)) "$pics/森.jxl"
wait_colour jxl-shown $((pane_x + 40)) $((pane_y + 40)) 20 20 "192 32 96" || fail "the JPEG XL's red corner is not shown"
near "$(mean_rgb jxl-shown $((pane_x + 250)) $((pane_y + 200)) 20 20)" "32 160 64" || fail "the JPEG XL's green part is not shown"

# The JPEG XL's picture saved in both formats, read back by libwebp's and libjxl's tools.
save_as "$pics/saved.webp"
dwebp -quiet "$pics/saved.webp" -o "$pics/saved-webp.png" || fail "dwebp cannot read saved.webp"
near "$(colour_at "$pics/saved-webp.png" 40 40)" "192 32 96" || fail "saved.webp: $(colour_at "$pics/saved-webp.png" 40 40) at 40,40"
near "$(colour_at "$pics/saved-webp.png" 250 200)" "32 160 64" || fail "saved.webp: wrong colour at 250,200"
# A save empties the pane: the picture again.
drag $((pane_x + 300)) $((pane_y + 300)) "$pics/森.jxl"
wait_colour jxl-again $((pane_x + 40)) $((pane_y + 40)) 20 20 "192 32 96" || fail "the JPEG XL is not shown again"
save_as "$pics/saved.avif"
avifdec "$pics/saved.avif" "$pics/saved-avif.png" >/dev/null 2>&1 || fail "avifdec cannot read saved.avif"
near "$(colour_at "$pics/saved-avif.png" 40 40)" "192 32 96" || fail "saved.avif: $(colour_at "$pics/saved-avif.png" 40 40) at 40,40"
near "$(colour_at "$pics/saved-avif.png" 250 200)" "32 160 64" || fail "saved.avif: wrong colour at 250,200"
drag $((pane_x + 300)) $((pane_y + 300)) "$pics/森.jxl"
wait_colour jxl-third $((pane_x + 40)) $((pane_y + 40)) 20 20 "192 32 96" || fail "the JPEG XL is not shown a third time"
save_as "$pics/saved.jxl"
djxl "$pics/saved.jxl" "$pics/saved-jxl.png" >/dev/null 2>&1 || fail "djxl cannot read saved.jxl"
[ "$(identify -format '%w %h' "$pics/saved-jxl.png")" = "320 240" ] || fail "saved.jxl has the wrong size"
near "$(colour_at "$pics/saved-jxl.png" 40 40)" "192 32 96" || fail "saved.jxl: $(colour_at "$pics/saved-jxl.png" 40 40) at 40,40"
near "$(colour_at "$pics/saved-jxl.png" 250 200)" "32 160 64" || fail "saved.jxl: wrong colour at 250,200"

# The camera's JPEG to JPEG: the model stays.
drag $((pane_x + 300)) $((pane_y + 300)) "$pics/camera.jpg"
wait_colour camera-shown $((pane_x + 40)) $((pane_y + 40)) 20 20 "32 32 128" || fail "the camera's JPEG is not shown"
save_as "$pics/saved.jpg"
model=$(identify -format '%[EXIF:Model]' "$pics/saved.jpg" 2>/dev/null)
[ "$model" = "Orvenna Test Camera" ] || fail "saved.jpg names the model '$model'"
echo "PASS"
