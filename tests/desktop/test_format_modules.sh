#!/usr/bin/env bash
# The HEIF, AVIF and JPEG XL libraries and exiv2 are no part of the program's start: once
# the main window is up none of them is mapped, and the first such picture dropped on the
# pane loads its family's module (only that one) and is shown. A copy of the program with
# only its metadata module beside it refuses a HEIC with the reason and still shows a JPEG.
source "$(dirname "$0")/lib.sh"
: "${ORVENNA_TEST_TOOLS:?the folder of the helper programs}"
desktop_start

PICS="$WORK/pics"
mkdir -p "$PICS"
# The same picture in each format, its top-left quarter a colour of its own.
picture() { convert -size 320x240 xc:'#c03060' -fill "$2" -draw 'rectangle 0,0 159,119' "PNG24:$PICS/$1.png"; }
picture heic '#30c060'; heif-enc -q 95 -o "$PICS/moon.heic" "$PICS/heic.png" >/dev/null
picture avif '#3060c0'; avifenc --min 0 --max 10 "$PICS/avif.png" "$PICS/moon.avif" >/dev/null
picture jxl '#e0c020'; cjxl -d 0.5 "$PICS/jxl.png" "$PICS/moon.jxl" >/dev/null 2>&1
picture jpg '#30c060'; convert "$PICS/jpg.png" -quality 95 "$PICS/moon.jpg"

heif_libs='lib(heif|de265|x265)\.so'
avif_libs='lib(avif|rav1e|SvtAv1Enc|gav1|yuv)\.so'
jxl_libs='lib(jxl|jxl_threads|hwy)\.so'
mapped() { grep -Eo "$1" "/proc/$APP_PID/maps" | sort -u | tr '\n' ' ' || true; }

start_app
main=$(wait_window Orvenna 15) || true
[ -n "$main" ] || fail "main window not mapped"
activate "$main"
read -r CX CY < <(client_origin "$main")
start_libs="$heif_libs|$avif_libs|$jxl_libs|libaom|libdav1d|libexiv2\.so"
[ -z "$(mapped "$start_libs")" ] || fail "mapped at the start: $(mapped "$start_libs")"
pass "no HEIF, AVIF, JPEG XL or metadata library mapped at the start"

# The picture's top-left quarter on the pane, wherever the pane sits below the menu bar.
corner_is() { near "$(mean_rgb "$1" $((CX + 230)) $((CY + 110)) 20 20)" "$2"; }
drop_shown() {  # file colour shot
  drag_to $((CX + 300)) $((CY + 300)) "$1"
  wait_exit "$SOURCE_PID" 10 || fail "drag source did not finish"
  grep -q dropped "$WORK/source.log" || fail "the program did not take $1: $(cat "$WORK/source.log")"
  wait_shot "$3" 10 corner_is "$3" "$2" || fail "$(basename "$1") not shown: $(mean_rgb "$3" $((CX + 230)) $((CY + 110)) 20 20)"
}

drop_shown "$PICS/moon.heic" "48 192 96" modules-heic
[ -n "$(mapped 'libheif\.so')" ] && [ -n "$(mapped 'libde265\.so')" ] || fail "HEIC shown without libheif and libde265 mapped"
[ -z "$(mapped "$avif_libs|$jxl_libs")" ] || fail "a HEIC mapped $(mapped "$avif_libs|$jxl_libs")"
pass "a HEIC dropped loads the HEIF module and is shown"
drop_shown "$PICS/moon.avif" "48 96 192" modules-avif
[ -n "$(mapped 'libavif\.so')" ] || fail "AVIF shown without libavif mapped"
pass "an AVIF dropped loads its module and is shown"
drop_shown "$PICS/moon.jxl" "224 192 32" modules-jxl
[ -n "$(mapped 'libjxl\.so')" ] || fail "JPEG XL shown without libjxl mapped"
pass "a JPEG XL dropped loads its module and is shown"
kill -9 "$APP_PID"; wait_exit "$APP_PID" 5

# The program with its metadata module alone: a HEIC is refused, naming what is missing;
# a JPEG shown.
mkdir "$WORK/alone"
cp "$ORVENNA_BIN" "$(dirname "$ORVENNA_BIN")/orvenna-metadata.so" "$WORK/alone/"
ORVENNA_BIN="$WORK/alone/orvenna" start_app
main=$(wait_window Orvenna 15) || true
[ -n "$main" ] || fail "main window of the copy not mapped"
activate "$main"
read -r CX CY < <(client_origin "$main")
drag_to $((CX + 300)) $((CY + 300)) "$PICS/moon.heic"
refusal() { visible_windows_of "$APP_PID" | grep -vx "$main" | head -1 || true; }
wait_until 10 eval '[ -n "$(refusal)" ]' || fail "no refusal box for a HEIC without its module"
shot modules-missing
activate "$(refusal)"
xdotool key Return
wait_exit "$SOURCE_PID" 10 || fail "drag source did not finish"
drop_shown "$PICS/moon.jpg" "48 192 96" modules-missing-jpeg
alive "$APP_PID" || fail "program ended"
pass "without its format modules a HEIC is refused and a JPEG still shown"
