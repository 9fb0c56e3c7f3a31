#!/usr/bin/env bash
# The Windows program against the Linux program on the same picture files: each shows the
# same picture (equal within its format's tolerance) or refuses it with the same reason.
#   compare_pictures.sh fixtures WORK LINUX_DUMP WINDOWS_DUMP   files made here with the
#       formats' own tools, each also under a Japanese name
#   compare_pictures.sh corpus WORK LINUX_DUMP WINDOWS_DUMP DIR...   the files under DIRs,
#       replayed for crashes and hangs (every file must get its line) and compared but for pixels
# Windows programs run in the Wine session named by WINE_SESSION_SCRIPT and WINE_SESSION.
set -euo pipefail
mode=$1 work=$2 linux_dump=$3 windows_dump=$4
shift 4
[ -x "$linux_dump" ] || { echo "FAIL: no Linux picture_dump at $linux_dump (build the Linux program first: scripts/build.sh)"; exit 1; }
rm -rf "$work" && mkdir -p "$work/files" "$work/linux" "$work/windows"
cd "$work/files"

# The same picture in every format the formats' tools write.
make_fixtures() {
  local icc=/usr/share/color/icc/ghostscript
  convert -size 64x48 gradient:'#e03010-#1040d0' -fill '#30c050' -draw 'circle 30,24 30,8' \
    -fill '#f0e020' -draw 'rectangle 44,6 60,20' base.ppm
  convert base.ppm -alpha set -channel A -fx 'i/w' +channel alpha.png
  convert base.ppm rgb.png
  convert base.ppm -colorspace gray -depth 16 grey16.png
  convert base.ppm -colors 200 PNG8:palette.png
  convert base.ppm -quality 90 q90.jpg
  convert base.ppm -quality 85 -interlace Plane progressive.jpg
  convert base.ppm -profile "$icc/a98.icc" -quality 92 adobe-rgb.jpg
  convert base.ppm -colorspace cmyk -quality 90 cmyk.jpg
  convert base.ppm plain.gif
  convert alpha.png -channel A -threshold 50% +channel clear.gif
  convert base.ppm BMP3:rgb24.bmp
  convert alpha.png BMP:bitfields.bmp
  convert base.ppm -colors 16 BMP3:pal4.bmp
  convert base.ppm -compress lzw lzw.tif
  convert base.ppm -colorspace gray -depth 16 -endian MSB grey16-msb.tif
  convert base.ppm -interlace plane planar.tif
  convert base.ppm -colorspace cmyk cmyk.tif
  convert base.ppm -compress jpeg -quality 90 jpeg-in.tif
  convert alpha.png -compress zip alpha.tif
  convert base.ppm -compress RLE rle.tga
  convert base.ppm plain.tga
  convert base.ppm -colors 16 -type palette palette.tga
  cwebp -quiet -q 80 rgb.png -o lossy.webp
  cwebp -quiet -lossless alpha.png -o lossless.webp
  heif-enc -q 60 rgb.png -o photo.heic >/dev/null
  cjxl -q 100 rgb.png lossless.jxl >/dev/null 2>&1
  avifenc --min 20 --max 30 -y 420 rgb.png yuv420.avif >/dev/null
  avifenc -y 444 -d 10 --min 10 --max 20 alpha.png alpha-10bit.avif >/dev/null
  avifenc -y 444 --crop 8,6,40,30 --irot 1 --imir 0 rgb.png crop-turn.avif >/dev/null
  cjxl -d 1 alpha.png lossy.jxl >/dev/null 2>&1
  cp base.ppm colour.ppm
  convert base.ppm -colorspace gray grey.pgm
  convert base.ppm -monochrome mono.pbm
  convert base.ppm -colors 8 small.xpm
  convert base.ppm -monochrome mono.xbm
  convert base.ppm -monochrome mono.wbmp
  convert alpha.png -resize 32x32 icon.ico
  # QOI, byte by byte: its header, every pixel as an RGBA chunk, its end mark.
  python3 - <<'PY'
import struct
w, h = 40, 30
body = bytearray(b"qoif" + struct.pack(">IIBB", w, h, 4, 0))
for y in range(h):
    for x in range(w):
        body += bytes([0xFF, x * 6, y * 8, 255 - x * 3, 255 if x < 20 else 128])
body += bytes(7) + b"\x01"
open("rgba.qoi", "wb").write(body)
PY
  # A JPEG whose EXIF asks for a quarter turn clockwise (orientation 6): an APP1 block after
  # the start marker, its TIFF structure of one entry.
  python3 - <<'PY'
import struct
jpeg = open("q90.jpg", "rb").read()
tiff = b"II*\0" + struct.pack("<IH", 8, 1) + struct.pack("<HHIHH", 0x112, 3, 1, 6, 0) + struct.pack("<I", 0)
app1 = b"Exif\0\0" + tiff
open("turned.jpg", "wb").write(jpeg[:2] + b"\xff\xe1" + struct.pack(">H", len(app1) + 2) + app1 + jpeg[2:])
PY
  # A GIF whose first frame is smaller than its logical screen, and one without any colour table.
  convert -size 20x10 xc:'#c04080' -page 64x48+10+5 framed.gif
  printf 'GIF89a\x02\x00\x02\x00\x00\x00\x00,\x00\x00\x00\x00\x02\x00\x02\x00\x00\x02\x02\x84\x51\x00;' > no-colour-table.gif
  convert base.ppm -colorspace Lab lab.tif
  # A PNG whose eXIf chunk asks for a quarter turn anticlockwise (orientation 8).
  python3 - <<'PY'
import struct, zlib
png = open("rgb.png", "rb").read()
exif = b"MM\0*" + struct.pack(">IH", 8, 1) + struct.pack(">HHIHH", 0x112, 3, 1, 8, 0) + struct.pack(">I", 0)
chunk = struct.pack(">I", len(exif)) + b"eXIf" + exif + struct.pack(">I", zlib.crc32(b"eXIf" + exif))
at = 8 + 25  # after the signature and the header chunk
open("turned.png", "wb").write(png[:at] + chunk + png[at:])
PY
  # Damaged files are refused alike: cut short, and no picture at all.
  head -c 900 q90.jpg > cut.jpg
  head -c 300 rgb.png > cut.png
  printf 'not a picture at all, only words\n' > words.png
  rm base.ppm
  # Each file again under a Japanese name (the formats without a signature keep their extension).
  for f in *; do cp "$f" "写真_$f"; done
}

case $mode in
  fixtures) make_fixtures ;;
  corpus) for dir in "$@"; do cp "$dir"/* . 2>/dev/null || true; done ;;
  *) echo "unknown mode $mode" >&2; exit 2 ;;
esac
mapfile -t files < <(ls)
[ ${#files[@]} -gt 0 ] || { echo "FAIL: no files"; exit 1; }

pixels() { [ "$mode" = fixtures ] && echo "$1" || echo -; }
"$linux_dump" "$(pixels "$work/linux")" "${files[@]}" >"$work/linux.txt"
winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }
win_files=()
for f in "${files[@]}"; do win_files+=("$(winpath "$work/files/$f")"); done
out=-
[ "$mode" = fixtures ] && out=$(winpath "$work/windows")
# A file that hangs the loader shows as this test's timeout, the last line naming the file before it.
bash "$WINE_SESSION_SCRIPT" run "$WINE_SESSION" "$windows_dump" "$out" "${win_files[@]}" >"$work/windows.txt"

python3 - "$mode" "$work" <<'PY'
import os, sys
mode, work = sys.argv[1], sys.argv[2]
# Largest channel difference allowed between the two programs' sRGB pixels, by extension:
# the same library versions decode the same, and whatever differs is listed below.
# HEIC and lossy JPEG XL decode in floating point or with vector code whose 32-bit and
# 64-bit forms round a few values the other way: 1 step either way. AVIF is read through
# libavif on Linux and through libheif on Windows, whose 1.15 passes 4:2:0 planes through
# RGB and back, clipped: up to 10 steps near the ends of the colour range (a 12-bit 4:2:0
# file at a low quality; each is within 1 of avifdec on Linux, 10 on Windows).
tolerance = {"heic": 1, "jxl": 1, "avif": 10}

def lines(name):
    out = {}
    for line in open(os.path.join(work, name), encoding="utf-8", errors="replace"):
        n, file, *rest = line.rstrip("\n").split("\t")
        out[n] = (file, rest)
    return out

linux, windows = lines("linux.txt"), lines("windows.txt")
failures = []
if len(windows) != len(linux):
    failures.append(f"the Windows program gave {len(windows)} results for {len(linux)} files (a crash?)")
for n, (file, got) in sorted(linux.items(), key=lambda kv: int(kv[0])):
    if n not in windows:
        continue
    other = windows[n][1]
    if got[0] == "refused" or other[0] == "refused":
        if got != other:
            failures.append(f"{file}: Linux {got}, Windows {other}")
        continue
    if got != other:
        failures.append(f"{file}: Linux {'x'.join(got[:2])} alpha {got[2]}, Windows {'x'.join(other[:2])} alpha {other[2]}")
        continue
    if mode != "fixtures":
        continue
    a = open(os.path.join(work, "linux", n + ".raw"), "rb").read()
    b = open(os.path.join(work, "windows", n + ".raw"), "rb").read()
    worst = max((abs(x - y) for x, y in zip(a, b)), default=0) if len(a) == len(b) else 256
    allowed = tolerance.get(file.rsplit(".", 1)[-1].lower(), 0)
    if worst > allowed:
        failures.append(f"{file}: pixels differ by up to {worst} (allowed {allowed})")
print(f"{len(linux)} files compared")
for f in failures:
    print("FAIL:", f)
sys.exit(1 if failures else 0)
PY
