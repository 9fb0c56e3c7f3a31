#!/usr/bin/env bash
# The real program and a real tray host: Ctrl+J hides the window behind one icon, a
# left click on the icon brings it back at the place and size it had, also after the
# user moved and resized it; a right click does not. Without a tray host the window
# stays and a warning says why.
source "$(dirname "$0")/lib.sh"
desktop_start tray

# The program's icon windows inside the tray host, one id a line.
tray_icons() {
  local panel
  panel=$(xdotool search --classname '^panel$' 2>/dev/null | head -1)
  [ -n "$panel" ] || return 0
  xwininfo -tree -id "$panel" | grep -i '"orvenna"' | awk '{print $1}' || true
}
main_shown() { [ -n "$(xdotool search --onlyvisible --name '^Orvenna$' 2>/dev/null)" ]; }
main_hidden() { ! main_shown; }
icon_shown() { [ -n "$(tray_icons)" ] && xwininfo -id "$(tray_icons | head -1)" | grep -q IsViewable; }
# Station: Ctrl+J in the activated window; waits until the window is gone and an icon is there.
station() {
  activate "$1"
  xdotool key ctrl+j
  wait_until 5 main_hidden || fail "Ctrl+J did not hide the window${2:+ $2}"
  wait_until 5 icon_shown || fail "no icon in the tray host${2:+ $2}"
}
# A left click on the icon; waits until the window is back and prints it.
click_back() {
  xdotool mousemove --window "$(tray_icons | head -1)" 8 8 click 1
  wait_window Orvenna 10
}
# Waits until the window's frame stands at "X Y WIDTH HEIGHT".
frame_is() { [ "$(frame_geometry "$1")" = "$2" ]; }

start_app
app=$APP_PID
main=$(wait_window Orvenna 15) || true
[ -n "$main" ] || fail "main window not mapped"
[ -z "$(tray_icons)" ] || fail "an icon is there before the station command"
where=$(frame_geometry "$main")

station "$main"
shot tray-hidden
pass "Ctrl+J hid the window behind a tray icon"

# Right and middle clicks leave the window hidden. The pauses keep the clicks from
# making a double click, and give a wrongly shown window the time to appear.
xdotool mousemove --window "$(tray_icons | head -1)" 8 8 click 3
sleep 0.7
xdotool mousemove --window "$(tray_icons | head -1)" 8 8 click 2
sleep 0.7
main_hidden || fail "a right or middle click showed the window"
pass "right and middle clicks leave it hidden"

back=$(click_back) || true
[ -n "$back" ] || fail "a left click on the icon did not bring the window back"
wait_until 5 frame_is "$back" "$where" || fail "the window came back at $(frame_geometry "$back"), not at $where"
shot tray-restored
[ -n "$(tray_icons)" ] || fail "the icon went when the window came back"
pass "left click brought the window back where it was; the icon stays"

# The user moves and resizes the window; the station brings it back there, at that size.
xdotool windowmove --sync "$back" 40 30
xdotool windowsize --sync "$back" 700 600
moved=$(frame_geometry "$back")
[ "$moved" != "$where" ] || fail "the window did not move"
sleep 0.7  # the last click on the icon must not pair with the next into a double click
station "$back" "the second time"
[ "$(tray_icons | wc -l)" -eq 1 ] || fail "$(tray_icons | wc -l) icons after the second station"
back=$(click_back) || true
[ -n "$back" ] || fail "the window did not come back the second time"
wait_until 5 frame_is "$back" "$moved" || fail "the moved window came back at $(frame_geometry "$back"), not at $moved"
pass "second station: hidden behind the one icon, back where the user had moved it"

# A second copy started while the first is hidden in the tray: only the warning, and
# the first stays hidden and running.
station "$back" "before the second copy"
expect_second_copy_refused
alive "$app" || fail "the first copy ended"
xdotool search --onlyvisible --name '^Orvenna$' | grep -qx "$main" && fail "the hidden first copy was shown"
pass "second copy refused while the first is hidden in the tray"
kill -9 "$app"; wait_exit "$app" 5 || true

# No tray host: the window stays and the warning says the area is missing.
kill "$TRAY_PID"
wait_until 5 eval '[ -z "$(xdotool search --classname "^panel$" 2>/dev/null)" ]' || fail "the tray host did not go"
start_app
app=$APP_PID
main=$(wait_window Orvenna 15) || true
[ -n "$main" ] || fail "main window not mapped without a tray host"
activate "$main"
xdotool key ctrl+j
warning() { visible_windows_of "$app" | grep -vx "$main" | head -1; }
wait_until 10 eval '[ -n "$(warning)" ]' || fail "no warning without a tray host"
box=$(warning)
[ "$(xdotool getwindowname "$box")" = "Orvenna" ] || fail "the warning's title is '$(xdotool getwindowname "$box")'"
main_shown || fail "the window was hidden without a tray host"
shot tray-missing
activate "$box"
xdotool key Return
wait_until 5 eval '[ -z "$(warning)" ]' || fail "the warning did not close"
visible_windows_of "$app" | grep -qx "$main" || fail "the window went after the warning"
alive "$app" || fail "the program ended"
pass "without a tray host the window stays and the warning shows"
