#!/usr/bin/env bash
# Files dragged from a GTK program (as Linux file managers send them, seen by Windows
# programs as the shell's file list): a JPEG dropped on the pane is shown with its name
# in the box; a PNG dropped on the window brings the refusal and empties the pane.
source "$(dirname "$0")/lib.sh"
pics="$WINE_SESSION/drop-pictures"
mkdir -p "$pics"
convert -size 320x240 xc:'#c03060' -fill '#30c060' -draw 'rectangle 0,0 159,119' "$pics/月面.jpg"
convert -size 64x48 xc:'#2040e0' "$pics/sun.png"

start_main_window drop-before
# The pane's place after a drop: 119, 34 in the client area, which starts 232 px left
# of the title label.
pane_x=$((label_x - 232 + 119)) pane_y=$((label_y + 34))

drag $((pane_x + 300)) $((pane_y + 300)) "$pics/月面.jpg"
# The pane took the picture's size: green top-left quarter, red elsewhere.
wait_colour drop-jpeg $((pane_x + 40)) $((pane_y + 40)) 20 20 "48 192 96" || fail "the picture's green corner is not shown"
near "$(mean_rgb drop-jpeg $((pane_x + 250)) $((pane_y + 200)) 20 20)" "192 48 96" || fail "the picture's red part is not shown"
text=$(main_box_text)
[ "$text" = "月面.jpg" ] || fail "the box shows '$text', not 月面.jpg"

# A PNG onto the window's own surface, left of the pane: the refusal, then a grey pane.
drag $((label_x - 232 + 40)) $((label_y + 300)) "$pics/sun.png"
box=$(other_window_of "$pid" Orvenna "$main" 15) || fail "no refusal box"
shot_when_still drop-png-refused 10 || true  # for the record
activate "$box"
xdotool key Return
window_gone "$box" || fail "the refusal box stayed"
wait_colour drop-png-after $((pane_x + 40)) $((pane_y + 40)) 20 20 "192 192 192" || fail "the pane was not emptied"
text=$(main_box_text)
[ "$text" = "月面.jpg" ] || fail "the refusal changed the box to '$text'"
echo "PASS"
