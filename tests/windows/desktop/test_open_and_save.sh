#!/usr/bin/env bash
# The system's dialogs: Ctrl+O shows "ファイルを開く", a Z:\ path typed there and Return
# show the picture; Ctrl+S, a .gif name and Return bring the message and write a GIF;
# saving over that file again asks first, and No leaves it as it was.
source "$(dirname "$0")/lib.sh"
pics="$WINE_SESSION/dialog-pictures"
rm -rf "$pics"
mkdir -p "$pics"
convert -size 200x150 xc:'#2040e0' -fill '#e0c020' -draw 'rectangle 100,0 199,149' "$pics/sun.jpg"

start_main_window dialogs-start
pane_x=$((label_x - 216)) pane_y=$((label_y + 34))

xdotool key ctrl+o
open=$(window_of "$pid" "ファイルを開く" 15) || fail "no open dialog titled ファイルを開く"
shot_when_still open-dialog 10 || true  # for the record, once painted
activate "$open"
xdotool type --delay 20 "$(windows_path "$pics/sun.jpg")"
xdotool key Return
window_gone "$open" || fail "the open dialog stayed"
# Blue left half, yellow right half, at the pane's top-left corner.
wait_colour opened $((pane_x + 40)) $((pane_y + 60)) 20 20 "32 64 224" || fail "the chosen picture is not shown"
near "$(mean_rgb opened $((pane_x + 150)) $((pane_y + 60)) 20 20)" "224 192 32" || fail "the picture's right half is wrong"

activate "$main"
xdotool key ctrl+s
save=$(other_window_of "$pid" ".*" "$main" 15) || fail "no save dialog"
shot_when_still save-dialog 10 || true  # for the record, once painted
activate "$save"
xdotool type --delay 20 "$(windows_path "$pics/out.gif")"
xdotool key Return
message=$(other_window_of "$pid" Orvenna "$main" 15) || fail "no message after the save"
shot_when_still saved-message 10 || true  # for the record, once painted
activate "$message"
xdotool key Return
window_gone "$message" || fail "the message stayed"
[ "$(head -c 6 "$pics/out.gif")" = GIF89a ] || [ "$(head -c 6 "$pics/out.gif")" = GIF87a ] || fail "out.gif is not a GIF"
[ "$(identify -format '%m %w %h' "$pics/out.gif[0]")" = "GIF 200 150" ] || fail "out.gif: $(identify "$pics/out.gif")"
saved=$(md5sum <"$pics/out.gif")

# The same name again: the question before replacing; No, then Esc, keeps the file.
activate "$main"
xdotool key ctrl+s
save=$(other_window_of "$pid" ".*" "$main" 15) || fail "no second save dialog"
activate "$save"
xdotool type --delay 20 "$(windows_path "$pics/out.gif")"
xdotool key Return
question=""
deadline=$((SECONDS + 15))
while [ -z "$question" ] && [ $SECONDS -lt $deadline ]; do
  for w in $(xdotool search --all --onlyvisible --pid "$pid" --name ".*" 2>/dev/null); do
    [ "$w" = "$main" ] || [ "$w" = "$save" ] || question=$w
  done
  sleep 0.2
done
[ -n "$question" ] || fail "no question before replacing out.gif"
shot_when_still replace-question 10 || true  # for the record, once painted
activate "$question"
xdotool key n
window_gone "$question" || fail "No did not close the question"
activate "$save"
xdotool key Escape
window_gone "$save" || fail "Esc did not close the save dialog"
[ "$(md5sum <"$pics/out.gif")" = "$saved" ] || fail "out.gif was replaced after No"
other_window_of "$pid" Orvenna "$main" 2 >/dev/null && fail "a message after the cancelled save"
echo "PASS"
