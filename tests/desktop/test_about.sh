#!/usr/bin/env bash
# The real About window: it maps with its caption at its place, its link button opens
# our address with the default opener (a fake xdg-open here), Esc closes it, and the
# program ends only when both windows are closed.
source "$(dirname "$0")/lib.sh"
desktop_start

# Without a window manager a window takes the keyboard after a click on its own surface
# (a spot with no control on it).
focus() { xdotool mousemove --window "$1" "$2" "$3" click 1; xdotool windowfocus --sync "$1"; }
# A menu command by mouse: the entry on the bar, then its first item.
menu() { xdotool mousemove --window "$main" "$1" 8 click 1; sleep 0.3; xdotool mousemove --window "$main" "$(($1 + 30))" 29 click 1; }

address=$(grep '^ORVENNA_WEB_ADDRESS:' "$ORVENNA_BUILD/CMakeCache.txt" | cut -d= -f2-)
[ -n "$address" ] || fail "no web address in the build's cache"
mkdir -p "$WORK/bin"
cat >"$WORK/bin/xdg-open" <<SCRIPT
#!/bin/sh
printf '%s|%s\n' "\$PWD" "\$*" >>"$WORK/opened"
SCRIPT
chmod +x "$WORK/bin/xdg-open"
export PATH="$WORK/bin:$PATH"

start_app
app=$APP_PID
main=$(wait_window Orvenna 15) || true
[ -n "$main" ] || fail "main window not mapped"
sleep 0.5

menu 167  # Help, About(&A)
about=$(wait_window "Orvenna About" 10) || true
[ -n "$about" ] || fail "Help, About mapped no About window"
eval "$(xdotool getwindowgeometry --shell "$about")"
[ "$WIDTH x $HEIGHT" = "382 x 211" ] || fail "About window is $WIDTH x $HEIGHT"
[ "$X,$Y" = "156,129" ] || fail "About window at $X,$Y"
sleep 0.5
shot about
pass "About window mapped with its caption at its place"

# The link button: 72,88 257x25 in the client area.
xdotool mousemove --window "$about" 200 100 click 1
for i in $(seq 50); do [ -s "$WORK/opened" ] && break; sleep 0.1; done
[ -s "$WORK/opened" ] || fail "the link button ran no xdg-open"
expected="$(cd "$(dirname "$ORVENNA_BIN")" && pwd -P)|$address"
got=$(head -1 "$WORK/opened")
[ "$got" = "$expected" ] || fail "xdg-open ran as '$got', expected '$expected'"
[ -n "$(wait_window "Orvenna About" 2)" ] || fail "the About window closed after the link"
pass "link button opened $address from the program's folder"

focus "$about" 10 200; xdotool key Escape
for i in $(seq 50); do [ -z "$(xdotool search --onlyvisible --name '^Orvenna About$' 2>/dev/null)" ] && break; sleep 0.1; done
[ -z "$(xdotool search --onlyvisible --name '^Orvenna About$' 2>/dev/null)" ] || fail "Esc did not close the About window"
alive "$app" || fail "closing the About window ended the program"
pass "Esc closed the About window; the program runs on"

# Main window closed first: the program waits for the About window.
menu 167
about=$(wait_window "Orvenna About" 10) || true
[ -n "$about" ] || fail "the second About mapped no About window"
menu 212  # Close, Close(&C)
question=$(wait_window "Close Orvenna" 10) || true
[ -n "$question" ] || fail "no question after Close"
xdotool windowfocus --sync "$question" key Return
sleep 1
alive "$app" || fail "the program ended with the About window open"
[ -n "$(wait_window "Orvenna About" 2)" ] || fail "the About window went with the main window"
focus "$about" 10 200; xdotool key Return
wait_exit "$app" 10 || fail "the program did not end when its last window closed"
rc=0; wait "$app" || rc=$?
[ "$rc" -eq 0 ] || fail "the program ended with status $rc"
pass "the program ended when the About window, its last window, closed"
