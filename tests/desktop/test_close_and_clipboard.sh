#!/usr/bin/env bash
# The real program: Ctrl+C asks before closing (No keeps it, Yes ends it); the
# file-name box shares the system clipboard with other programs (Ctrl+Z, Ctrl+V).
source "$(dirname "$0")/lib.sh"
desktop_start

start_app
app=$APP_PID
main=$(wait_window Orvenna 15) || true
[ -n "$main" ] || fail "main window not mapped"
sleep 0.3

# The file-name box: 512..705 across, 0..25 down in the client area, below the menu bar.
eval "$(xdotool getwindowgeometry --shell "$main")"
menu=$((HEIGHT - 622))
box_x=600; box_y=$((menu + 12))

xdotool mousemove --window "$main" $box_x $box_y click 1
xdotool windowfocus --sync "$main"
xdotool type --delay 20 "moon.jpg"
xdotool key Home shift+End ctrl+z
sleep 0.3
copied=$(timeout 5 xclip -o -selection clipboard)
[ "$copied" = "moon.jpg" ] || fail "clipboard holds '$copied' after Ctrl+Z"
pass "Ctrl+Z copied the selection for other programs"

printf 'sun.gif' | xclip -i -selection clipboard -quiet >/dev/null 2>&1 &
CLIP=$!; PIDS+=("$CLIP")
sleep 0.3
xdotool key Home shift+End ctrl+v
sleep 0.3
kill "$CLIP" 2>/dev/null || true
# Read the box back through the clipboard: select it all and copy.
xdotool key Home shift+End ctrl+z
sleep 0.3
pasted=$(timeout 5 xclip -o -selection clipboard)
[ "$pasted" = "sun.gif" ] || fail "box holds '$pasted' after Ctrl+V"
pass "Ctrl+V pasted what another program copied"
shot clipboard

# Ctrl+C with the focus in the box asks; No keeps the program.
xdotool key ctrl+c
question=$(wait_window "Close Orvenna" 10) || true
[ -n "$question" ] || fail "no question after Ctrl+C"
shot close-question
xdotool windowfocus --sync "$question" key Escape
sleep 0.5
alive "$app" || fail "No ended the program"
[ -n "$(wait_window Orvenna 2)" ] || fail "No closed the window"
pass "No keeps the program"

xdotool windowfocus --sync "$main" key ctrl+c
question=$(wait_window "Close Orvenna" 10) || true
[ -n "$question" ] || fail "no question after the second Ctrl+C"
xdotool windowfocus --sync "$question" key Return
wait_exit "$app" 10 || fail "Yes did not end the program"
pass "Yes ends the program"
