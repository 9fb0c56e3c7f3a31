#!/usr/bin/env bash
# The real program: Ctrl+C asks before closing (No keeps it, Yes ends it); the
# file-name box shares the system clipboard with other programs (Ctrl+Z, Ctrl+V).
source "$(dirname "$0")/lib.sh"
desktop_start

# A round trip through the program: it takes the clipboard back from another program on
# Ctrl+Z, so it has handled everything that came before.
round_trip() {
  put_clipboard x
  activate "$main"
  xdotool key Home shift+End ctrl+z
  wait_exit "$CLIP" 5
}

start_app
app=$APP_PID
main=$(wait_window Orvenna 15) || true
[ -n "$main" ] || fail "main window not mapped"

# The file-name box: 512..705 across, 0..25 down in the client area, below the menu bar.
height=$(xwininfo -id "$main" | awk '/Height:/ {print $NF}')
menu=$((height - 622))
box_x=600; box_y=$((menu + 12))

activate "$main"
xdotool mousemove --window "$main" $box_x $box_y click 1
xdotool type --delay 20 "moon.jpg"
xdotool key Home shift+End ctrl+z
wait_until 5 clipboard_is moon.jpg || fail "clipboard holds '$(xclip -o -selection clipboard)' after Ctrl+Z"
pass "Ctrl+Z copied the selection for other programs"

put_clipboard sun.gif
xdotool key Home shift+End ctrl+v
# Read the box back through the clipboard: select it all and copy. The other program
# lets go of the clipboard (and ends) once the box took it over, after the paste.
xdotool key Home shift+End ctrl+z
wait_exit "$CLIP" 5 || fail "Ctrl+Z after Ctrl+V did not take the clipboard"
clipboard_is sun.gif || fail "box holds '$(xclip -o -selection clipboard)' after Ctrl+V"
pass "Ctrl+V pasted what another program copied"
shot clipboard

# Ctrl+C with the focus in the box asks; No keeps the program.
question_shown() { [ -n "$(xdotool search --onlyvisible --name '^Close Orvenna$' 2>/dev/null)" ]; }
xdotool key ctrl+c
question=$(wait_window "Close Orvenna" 10) || true
[ -n "$question" ] || fail "no question after Ctrl+C"
shot close-question
activate "$question"
xdotool key Escape
wait_until 5 eval '! question_shown' || fail "No did not close the question"
if ! round_trip; then alive "$app" || fail "No ended the program"; fail "the program did not answer after No"; fi
[ -n "$(wait_window Orvenna 10)" ] || fail "No closed the window"
pass "No keeps the program"

activate "$main"
xdotool key ctrl+c
question=$(wait_window "Close Orvenna" 10) || true
[ -n "$question" ] || fail "no question after the second Ctrl+C"
activate "$question"
xdotool key Return
wait_exit "$app" 10 || fail "Yes did not end the program"
pass "Yes ends the program"
