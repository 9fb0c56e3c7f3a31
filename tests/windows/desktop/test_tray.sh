#!/usr/bin/env bash
# Ctrl+J hides the window behind its notification icon; a click on the icon brings it
# back where it was.
source "$(dirname "$0")/lib.sh"

start_program
pid=$program_pid
main=$(window_of "$pid" Orvenna) || fail "no window Orvenna"
xdotool windowmove --sync "$main" 180 140
activate "$main"
sleep 0.5
# A window's place on the screen (xwininfo's; xdotool's counts the frame twice here).
place() { xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} END{print x, y}'; }
before=$(place "$main")
shot tray-before

xdotool key ctrl+j
window_gone "$main" || fail "Ctrl+J did not hide the window"
# Without a tray host Wine shows the icons in its own small window.
tray=""
deadline=$((SECONDS + 15))
while [ -z "$tray" ] && [ $SECONDS -lt $deadline ]; do
  tray=$(xdotool search --onlyvisible --name "^Wine System Tray\$" 2>/dev/null | head -1) || true
  sleep 0.2
done
[ -n "$tray" ] || fail "no notification icon to click"
sleep 0.5
shot tray-hidden
read -r tray_x tray_y < <(place "$tray")
tray_h=$(xwininfo -id "$tray" | awk '/Height:/{print $2}')
# The icons stand in a row from the left, one square cell each.
xdotool mousemove --sync $((tray_x + tray_h / 2)) $((tray_y + tray_h / 2)) click 1
window_of "$pid" Orvenna 15 >/dev/null || fail "a click on the icon did not bring the window back"
sleep 0.5
shot tray-restored
[ "$(place "$main")" = "$before" ] || fail "the window came back at $(place "$main"), not at $before"
echo "PASS"
