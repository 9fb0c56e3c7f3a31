#!/usr/bin/env bash
# The tray host ends and another one starts (a panel restarting) while the window is
# shown: the next Ctrl+J hides it behind an icon in the new host, and a left click on
# that icon brings it back.
source "$(dirname "$0")/lib.sh"
desktop_start tray

# The program's icon windows inside the tray host, one id a line.
tray_icons() {
  local panel
  panel=$(xdotool search --classname '^panel$' 2>/dev/null | head -1)
  [ -n "$panel" ] || return 0
  xwininfo -tree -id "$panel" | grep -i '"orvenna"' | awk '{print $1}' || true
}
icon_shown() { [ -n "$(tray_icons)" ] && xwininfo -id "$(tray_icons | head -1)" | grep -q IsViewable; }
main_hidden() { [ -z "$(xdotool search --onlyvisible --name '^Orvenna$' 2>/dev/null)" ]; }
# Ctrl+J in the window, then a left click on the icon; the window is back.
station_and_back() {
  activate "$1"
  xdotool key ctrl+j
  wait_until 5 main_hidden || fail "Ctrl+J did not hide the window $2"
  wait_until 5 icon_shown || fail "no icon in the tray host $2"
  xdotool mousemove --window "$(tray_icons | head -1)" 8 8 click 1
  wait_window Orvenna 10 || fail "a left click on the icon did not bring the window back $2"
}

start_app
main=$(wait_window Orvenna 15) || true
[ -n "$main" ] || fail "main window not mapped"
main=$(station_and_back "$main" "the first time")

kill "$TRAY_PID"
wait_until 5 eval '[ -z "$(xdotool search --classname "^panel$" 2>/dev/null)" ]' || fail "the tray host did not go"
start_helper trayer 10 tray_up trayer --edge bottom --align right --widthtype request --height 32
station_and_back "$main" "after the tray host restarted" >/dev/null
shot tray-host-restarted
pass "after the tray host restarted, Ctrl+J hides the window behind an icon there and a click brings it back"
