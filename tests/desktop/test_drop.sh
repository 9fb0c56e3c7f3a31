#!/usr/bin/env bash
# Files dragged from another program onto the running program: a JPEG dropped on the
# pane is shown with its name in the box; a PNG dropped on the window brings the
# refusal box and leaves the pane grey; a JPEG dragged from a GTK program (as file
# managers send it, a URI list also offered as text) onto the file-name box reaches the
# window and is shown.
source "$(dirname "$0")/lib.sh"
: "${ORVENNA_TEST_TOOLS:?the folder of the helper programs}"
desktop_start

PICS="$WORK/pics"
mkdir -p "$PICS"
convert -size 320x240 xc:'#c03060' -fill '#30c060' -draw 'rectangle 0,0 159,119' "$PICS/moon.jpg"
convert -size 64x48 xc:'#2040e0' "$PICS/sun.png"

start_app
main=$(wait_window Orvenna 15) || true
[ -n "$main" ] || fail "main window not mapped"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$main")"
WX=$X; WY=$Y

# Mean colour of a screen rectangle as "r g b" (0-255).
mean_rgb() {
  convert "$SHOTS/$1.png" -crop "$4x$5+$2+$3" +repage -scale 1x1\! -format '%[fx:int(255*r+.5)] %[fx:int(255*g+.5)] %[fx:int(255*b+.5)]' info:
}
near() {  # near "r g b" "R G B": every channel within 24
  local a=($1) b=($2) i
  for i in 0 1 2; do [ $(( ${a[i]} - ${b[i]} )) -le 24 ] && [ $(( ${b[i]} - ${a[i]} )) -le 24 ] || return 1; done
}
crop_of() { convert "$SHOTS/$1.png" -crop "$4x$5+$2+$3" +repage "$WORK/$1-crop.png"; }

shot drop-before
# The client area starts below the menu bar: find the title label's dark red going down.
CY=""
for dy in $(seq 0 60); do
  if near "$(mean_rgb drop-before $((WX + 300)) $((WY + dy)) 1 1)" "64 0 0"; then CY=$((WY + dy)); break; fi
done
[ -n "$CY" ] || fail "title label not found in the window"
CX=$WX
near "$(mean_rgb drop-before $((CX + 200)) $((CY + 100)) 10 10)" "192 192 192" || fail "pane not grey at start"

# A JPEG onto the pane.
drag_to $((CX + 300)) $((CY + 300)) "$PICS/moon.jpg"
wait_exit "$SOURCE_PID" 10 || fail "drag source did not finish"
grep -q dropped "$WORK/source.log" || fail "the program did not take the drop: $(cat "$WORK/source.log")"
sleep 0.5
shot drop-jpeg
# The pane moved to 119, 34 and took the picture's size: green top-left quarter, red elsewhere.
near "$(mean_rgb drop-jpeg $((CX + 119 + 40)) $((CY + 34 + 40)) 20 20)" "48 192 96" || fail "picture's green corner not shown"
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
box=""
for i in $(seq 100); do
  box=$(visible_windows_of "$APP_PID" | grep -v "^$main\$" | head -1) || true
  [ -n "$box" ] && break
  sleep 0.1
done
[ -n "$box" ] || fail "no refusal box"
[ "$(xdotool getwindowname "$box")" = Orvenna ] || fail "refusal box titled $(xdotool getwindowname "$box")"
sleep 0.3
shot drop-png-refused
xdotool windowfocus --sync "$box" key Return
wait_exit "$SOURCE_PID" 10 || fail "drag source did not finish"
sleep 0.5
shot drop-png-after
[ "$(visible_windows_of "$APP_PID" | wc -l)" -eq "$before" ] || fail "refusal box still open"
near "$(mean_rgb drop-png-after $((CX + 119 + 40)) $((CY + 34 + 40)) 20 20)" "192 192 192" || fail "pane not emptied"
near "$(mean_rgb drop-png-after $((CX + 119 + 250)) $((CY + 34 + 200)) 20 20)" "192 192 192" || fail "pane not emptied"
crop_of drop-png-after $((CX + 512)) "$CY" 193 25
[ "$(compare -metric AE "$WORK/drop-jpeg-crop.png" "$WORK/drop-png-after-crop.png" null: 2>&1)" = 0 ] \
  || fail "the box's text changed"
alive "$APP_PID" || fail "program ended"
pass "PNG dropped on the window refused; pane grey, box kept"

# A JPEG from a GTK program onto the file-name box: the window takes it, the box is not typed into.
# Debian's own Python has the GTK bindings; another python3 may come first on PATH.
/usr/bin/python3 "$(dirname "$0")/tools/gtk_drag_source.py" "$PICS/moon.jpg" >"$WORK/gtk.log" 2>&1 &
SOURCE_PID=$!
PIDS+=("$SOURCE_PID")
[ -n "$(wait_window gtk-drag-source 10)" ] || fail "GTK drag source did not appear: $(cat "$WORK/gtk.log")"
sleep 0.5
xdotool mousemove --sync 1080 160
xdotool mousedown 1
sleep 0.1
for d in 4 8 12 16; do xdotool mousemove 1080 $((160 + d)); sleep 0.05; done
xdotool mousemove $((CX + 610)) $((CY + 12)); sleep 0.3
xdotool mousemove $((CX + 600)) $((CY + 12)); sleep 0.3
xdotool mouseup 1
wait_exit "$SOURCE_PID" 10 || fail "GTK drag source did not finish"
grep -q dropped "$WORK/gtk.log" || fail "the program did not take the GTK drop: $(cat "$WORK/gtk.log")"
sleep 0.5
shot drop-gtk
near "$(mean_rgb drop-gtk $((CX + 119 + 40)) $((CY + 34 + 40)) 20 20)" "48 192 96" || fail "GTK-dropped picture not shown"
crop_of drop-gtk $((CX + 512)) "$CY" 193 25
[ "$(compare -metric AE "$WORK/drop-jpeg-crop.png" "$WORK/drop-gtk-crop.png" null: 2>&1)" = 0 ] \
  || fail "the box shows something other than the file name"
pass "JPEG dragged from a GTK program onto the box is shown with its name"
