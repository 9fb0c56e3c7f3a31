#!/usr/bin/env bash
# The real program and a real tray host: Ctrl+J hides the window behind one icon, a
# left click on the icon brings it back, a right click does not. Without a tray host
# the window stays and a warning says why.
source "$(dirname "$0")/lib.sh"
desktop_start tray

# Without a window manager a window takes the keyboard after a click on its own surface
# (a spot with no control on it).
focus() { xdotool mousemove --window "$1" "$2" "$3" click 1; xdotool windowfocus --sync "$1"; }

# The program's icon windows inside the tray host, one id a line.
tray_icons() {
  local panel
  panel=$(xdotool search --classname '^panel$' 2>/dev/null | head -1)
  [ -n "$panel" ] || return 0
  xwininfo -tree -id "$panel" | grep -i '"orvenna"' | awk '{print $1}' || true
}

wait_hidden() {
  local i
  for i in $(seq 50); do
    [ -z "$(xdotool search --onlyvisible --name '^Orvenna$' 2>/dev/null)" ] && return 0
    sleep 0.1
  done
  return 1
}

start_app
app=$APP_PID
main=$(wait_window Orvenna 15) || true
[ -n "$main" ] || fail "main window not mapped"
sleep 0.5
[ -z "$(tray_icons)" ] || fail "an icon is there before the station command"
where=$(xdotool getwindowgeometry "$main" | grep Position)

focus "$main" 755 300; xdotool key ctrl+j
wait_hidden || fail "Ctrl+J did not hide the window"
icon=""
for i in $(seq 50); do icon=$(tray_icons | head -1); [ -n "$icon" ] && break; sleep 0.1; done
[ -n "$icon" ] || fail "no icon in the tray host"
sleep 0.5
shot tray-hidden
pass "Ctrl+J hid the window behind a tray icon"

# Right and middle clicks leave the window hidden.
xdotool mousemove --window "$icon" 8 8 click 3
sleep 0.7
xdotool mousemove --window "$icon" 8 8 click 2
sleep 0.7
[ -z "$(xdotool search --onlyvisible --name '^Orvenna$' 2>/dev/null)" ] || fail "a right or middle click showed the window"
pass "right and middle clicks leave it hidden"

xdotool mousemove --window "$icon" 8 8 click 1
back=$(wait_window Orvenna 10) || true
[ -n "$back" ] || fail "a left click on the icon did not bring the window back"
[ "$(xdotool getwindowgeometry "$back" | grep Position)" = "$where" ] || fail "the window came back elsewhere"
sleep 0.5
shot tray-restored
[ -n "$(tray_icons)" ] || fail "the icon went when the window came back"
pass "left click brought the window back; the icon stays"

# The station again: hidden again, still one icon.
sleep 0.7
focus "$back" 755 300; xdotool key ctrl+j
wait_hidden || fail "the second Ctrl+J did not hide the window"
sleep 0.5
[ "$(tray_icons | wc -l)" -eq 1 ] || fail "$(tray_icons | wc -l) icons after the second station"
xdotool mousemove --window "$(tray_icons | head -1)" 8 8 click 1
[ -n "$(wait_window Orvenna 10)" ] || fail "the window did not come back the second time"
pass "second station: hidden again behind the one icon"

# A second copy started while the first is hidden in the tray: only the warning, and
# the first stays hidden and running.
focus "$(wait_window Orvenna 5)" 755 300; xdotool key ctrl+j
wait_hidden || fail "Ctrl+J did not hide the window before the second copy"
expect_second_copy_refused
alive "$app" || fail "the first copy ended"
xdotool search --onlyvisible --name '^Orvenna$' | grep -qx "$main" && fail "the hidden first copy was shown"
pass "second copy refused while the first is hidden in the tray"
kill -9 "$app"; wait_exit "$app" 5 || true

# No tray host: the window stays and the warning says the area is missing.
kill "${PIDS[0]}"  # the tray host
for i in $(seq 50); do [ -z "$(xdotool search --classname '^panel$' 2>/dev/null)" ] && break; sleep 0.1; done
start_app
app=$APP_PID
main=$(wait_window Orvenna 15) || true
[ -n "$main" ] || fail "main window not mapped without a tray host"
sleep 0.5
focus "$main" 755 300; xdotool key ctrl+j
box=""
for i in $(seq 100); do
  box=$(visible_windows_of "$app" | grep -vx "$main" | head -1 || true)
  [ -n "$box" ] && break
  sleep 0.1
done
[ -n "$box" ] || fail "no warning without a tray host"
[ "$(xdotool getwindowname "$box")" = "Orvenna" ] || fail "the warning's title is '$(xdotool getwindowname "$box")'"
[ -n "$(wait_window Orvenna 2)" ] || fail "the window was hidden without a tray host"
sleep 0.3
shot tray-missing
xdotool windowfocus --sync "$box" key Return
sleep 0.5
visible_windows_of "$app" | grep -qx "$main" || fail "the window went after the warning"
alive "$app" || fail "the program ended"
pass "without a tray host the window stays and the warning shows"
