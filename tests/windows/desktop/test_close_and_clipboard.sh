#!/usr/bin/env bash
# Ctrl+Z copies and Ctrl+V pastes the box's text through the desktop's clipboard; Ctrl+C
# asks before closing: No keeps the program, Yes ends it.
source "$(dirname "$0")/lib.sh"

start_main_window clipboard-start
# Into the file-name box, 280 px right of the title label.
xdotool mousemove $((label_x + 330)) $((label_y + 12)) click 1

put_clipboard moon.jpg
xdotool key ctrl+v
# Copy the first four characters only: the clipboard then holds what the program put there.
xdotool key Home shift+Right shift+Right shift+Right shift+Right ctrl+z
wait_until 10 clipboard_is moon || fail "the clipboard holds '$(xclip -o -selection clipboard 2>/dev/null)', not moon"
shot clipboard-pasted

xdotool key ctrl+c
box=$(window_of "$pid" "Close Orvenna" 10) || fail "Ctrl+C did not ask"
shot close-question
activate "$box"
xdotool key n
window_gone "$box" || fail "No did not close the question"
kill -0 "$pid" || fail "No ended the program"
xwininfo -id "$main" | grep -q IsViewable || fail "No hid the window"

activate "$main"
xdotool key ctrl+c
box=$(window_of "$pid" "Close Orvenna" 10) || fail "Ctrl+C did not ask the second time"
activate "$box"
xdotool key y
wait_exit "$pid" 20 || fail "Yes did not end the program"
echo "PASS"
