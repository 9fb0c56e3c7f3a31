#!/usr/bin/env bash
# Files dragged from another program onto the running program: a JPEG dropped on the
# pane is shown with its name in the box; a PNG dropped on the window brings the
# refusal box and leaves the pane grey; a JPEG dragged from a GTK program (as file
# managers send it, a URI list also offered as text) onto the file-name box reaches the
# window and is shown. Last, a landscape dropped on the pane gives the window's picture
# for the README.
source "$(dirname "$0")/lib.sh"
: "${ORVENNA_TEST_TOOLS:?the folder of the helper programs}"
desktop_start

PICS="$WORK/pics"
mkdir -p "$PICS"
convert -size 320x240 xc:'#c03060' -fill '#30c060' -draw 'rectangle 0,0 159,119' "$PICS/moon.jpg"
convert -size 64x48 xc:'#2040e0' "$PICS/sun.png"
# A landscape of our own making: sky, sun, mountains, hills, a lake, a few firs.
convert -size 620x420 gradient:'#4a86c5-#f6d9a8' \
  -fill '#fff6d0' -draw 'circle 455,120 455,150' \
  \( -size 620x420 xc:none -fill '#fff2c0' -draw 'circle 455,120 455,175' -blur 0x18 \) -composite \
  -fill '#8a98b4' -draw 'polygon 0,285 70,215 120,240 210,130 290,230 350,190 430,250 520,170 620,255 620,420 0,420' \
  -fill '#eef2f8' -draw 'polygon 210,130 188,158 200,155 212,166 224,152 236,160' \
  -draw 'polygon 520,170 500,192 512,190 522,198 534,188 545,194' \
  -fill '#5e7a5a' -draw 'polygon 0,320 80,280 160,305 250,265 330,300 430,270 520,300 620,280 620,420 0,420' \
  -fill '#3e5a3c' -draw 'polygon 0,345 620,330 620,420 0,420' \
  \( -size 620x75 gradient:'#6f9fcc-#2e587e' \) -geometry +0+345 -composite \
  -fill '#2f4a2d' -draw 'polygon 30,350 42,300 54,350' -draw 'polygon 60,352 70,312 80,352' \
  -draw 'polygon 560,346 574,292 588,346' -draw 'polygon 590,348 600,310 610,348' \
  -blur 0x0.6 -quality 92 "$PICS/lake.jpg"

start_app
main=$(wait_window Orvenna 15) || true
[ -n "$main" ] || fail "main window not mapped"
activate "$main"
read -r WX WY < <(client_origin "$main")

crop_of() { convert "$SHOTS/$1.png" -crop "$4x$5+$2+$3" +repage "$WORK/$1-crop.png"; }
# The client area starts below the menu bar: finds the title label's dark red going down.
find_title() {
  local dy
  for dy in $(seq 0 60); do
    if near "$(mean_rgb drop-before $((WX + 300)) $((WY + dy)) 1 1)" "64 0 0"; then CY=$((WY + dy)); return 0; fi
  done
  return 1
}
# The dropped picture's green top-left quarter, seen on the pane (moved to 119, 34) in a screenshot.
green_shown() { near "$(mean_rgb "$1" $((CX + 119 + 40)) $((CY + 34 + 40)) 20 20)" "48 192 96"; }
grey_shown() { near "$(mean_rgb "$1" $((CX + 119 + 40)) $((CY + 34 + 40)) 20 20)" "192 192 192"; }

wait_shot drop-before 5 find_title || fail "title label not found in the window"
CX=$WX
near "$(mean_rgb drop-before $((CX + 200)) $((CY + 100)) 10 10)" "192 192 192" || fail "pane not grey at start"

# A JPEG onto the pane.
drag_to $((CX + 300)) $((CY + 300)) "$PICS/moon.jpg"
wait_exit "$SOURCE_PID" 10 || fail "drag source did not finish"
grep -q dropped "$WORK/source.log" || fail "the program did not take the drop: $(cat "$WORK/source.log")"
# The pane moved to 119, 34 and took the picture's size: green top-left quarter, red elsewhere.
wait_shot drop-jpeg 5 green_shown drop-jpeg || fail "picture's green corner not shown"
near "$(mean_rgb drop-jpeg $((CX + 119 + 250)) $((CY + 34 + 200)) 20 20)" "192 48 96" || fail "picture's red part not shown"
# Right of the picture: the window's own background, as in the window's far corner.
near "$(mean_rgb drop-jpeg $((CX + 119 + 330)) $((CY + 34 + 100)) 10 10)" "$(mean_rgb drop-jpeg $((CX + 750)) $((CY + 600)) 10 10)" \
  || fail "the pane is not the picture's size"
# The file-name box went from empty to showing text (dark pixels).
box_min() { convert "$SHOTS/$1.png" -crop "180x15+$((CX + 518))+$((CY + 5))" +repage -colorspace Gray -format '%[fx:int(255*minima)]' info:; }
[ "$(box_min drop-before)" -gt 200 ] || fail "box not empty at start"
[ "$(box_min drop-jpeg)" -lt 120 ] || fail "no file name in the box"
crop_of drop-jpeg $((CX + 512)) "$CY" 193 25
pass "JPEG dropped on the pane is shown with its name"

# A PNG onto the window's own surface, left of the pane: the refusal box.
before=$(visible_windows_of "$APP_PID" | wc -l)
drag_to $((CX + 5)) $((CY + 300)) "$PICS/sun.png"
refusal() { visible_windows_of "$APP_PID" | grep -vx "$main" | head -1 || true; }
wait_until 10 eval '[ -n "$(refusal)" ]' || fail "no refusal box"
box=$(refusal)
[ "$(xdotool getwindowname "$box")" = Orvenna ] || fail "refusal box titled $(xdotool getwindowname "$box")"
shot drop-png-refused
activate "$box"
xdotool key Return
wait_exit "$SOURCE_PID" 10 || fail "drag source did not finish"
wait_until 5 eval '[ "$(visible_windows_of "$APP_PID" | wc -l)" -eq "$before" ]' || fail "refusal box still open"
wait_shot drop-png-after 5 grey_shown drop-png-after || fail "pane not emptied"
near "$(mean_rgb drop-png-after $((CX + 119 + 250)) $((CY + 34 + 200)) 20 20)" "192 192 192" || fail "pane not emptied"
crop_of drop-png-after $((CX + 512)) "$CY" 193 25
[ "$(compare -metric AE "$WORK/drop-jpeg-crop.png" "$WORK/drop-png-after-crop.png" null: 2>&1)" = 0 ] \
  || fail "the box's text changed"
alive "$APP_PID" || fail "program ended"
pass "PNG dropped on the window refused; pane grey, box kept"

# A JPEG from a GTK program onto the file-name box: the window takes it, the box is not typed into.
# Debian's own Python has the GTK bindings; another python3 may come first on PATH.
gtk_source_up() { [ -n "$(xdotool search --onlyvisible --name '^gtk-drag-source$' 2>/dev/null)" ]; }
start_helper gtk 10 gtk_source_up /usr/bin/python3 "$(dirname "$0")/tools/gtk_drag_source.py" "$PICS/moon.jpg"
SOURCE_PID=$HELPER_PID
read -r sx sy < <(place_source "$(wait_window gtk-drag-source 5)")
drag_motion "$sx" "$sy" $((CX + 600)) $((CY + 12))
wait_exit "$SOURCE_PID" 10 || fail "GTK drag source did not finish"
grep -q dropped "$WORK/gtk.log" || fail "the program did not take the GTK drop: $(cat "$WORK/gtk.log")"
wait_shot drop-gtk 5 green_shown drop-gtk || fail "GTK-dropped picture not shown"
crop_of drop-gtk $((CX + 512)) "$CY" 193 25
[ "$(compare -metric AE "$WORK/drop-jpeg-crop.png" "$WORK/drop-gtk-crop.png" null: 2>&1)" = 0 ] \
  || fail "the box shows something other than the file name"
pass "JPEG dragged from a GTK program onto the box is shown with its name"

# The landscape on the pane: the window as the README shows it, cut to its frame.
sun_shown() { near "$(mean_rgb "$1" $((CX + 119 + 445)) $((CY + 34 + 110)) 20 20)" "255 246 208"; }
drag_to $((CX + 300)) $((CY + 300)) "$PICS/lake.jpg"
wait_exit "$SOURCE_PID" 10 || fail "drag source did not finish"
wait_shot drop-lake 5 sun_shown drop-lake || fail "the landscape is not shown"
read -r fx fy fw fh < <(frame_geometry "$main")
convert "$SHOTS/drop-lake.png" -crop "${fw}x${fh}+${fx}+${fy}" +repage "$SHOTS/drop-lake-window.png"
pass "a landscape dropped on the pane is shown"
