#!/usr/bin/env bash
# Ctrl+J hides the window behind its notification icon; a click on the icon brings it
# back where it was.
source "$(dirname "$0")/lib.sh"

start_program
pid=$program_pid
main=$(window_of "$pid" Orvenna) || fail "no window Orvenna"
xdotool windowmove --sync "$main" 180 140
# The program takes the move before the keys that follow: X delivers its events in order.
activate "$main"
before=$(client_origin "$main")
shot tray-before

xdotool key ctrl+j
window_gone "$main" || fail "Ctrl+J did not hide the window"
# Without a tray host Wine shows the icons in its own small window.
tray_window() { xdotool search --onlyvisible --name "^Wine System Tray\$" 2>/dev/null | head -1; }
wait_until 15 eval '[ -n "$(tray_window)" ]' || fail "no notification icon to click"
tray=$(tray_window)
shot_when_still tray-hidden 10 || true  # for the record, once painted
read -r tray_x tray_y < <(client_origin "$tray")
tray_h=$(xwininfo -id "$tray" | awk '/Height:/{print $2}')
# The icons stand in a row from the left, one square cell each.
xdotool mousemove --sync $((tray_x + tray_h / 2)) $((tray_y + tray_h / 2)) click 1
window_of "$pid" Orvenna 15 >/dev/null || fail "a click on the icon did not bring the window back"
wait_until 5 eval '[ "$(client_origin "$main")" = "$before" ]' ||
  fail "the window came back at $(client_origin "$main"), not at $before"
shot_when_still tray-restored 10 || true
echo "PASS"
