#!/usr/bin/env bash
# The real About window: it maps with its caption at its place, as a window of its own
# (owned by no other window, off the taskbar), its link button opens our address with
# the default opener (a fake xdg-open here), Esc closes it, and the program ends only
# when both windows are closed.
source "$(dirname "$0")/lib.sh"
desktop_start

# A menu command by mouse: the entry on the bar, then its first item once the menu is open.
menu() {
  local before
  before=$(visible_windows_of "$APP_PID" | wc -l)
  activate "$main"
  xdotool mousemove --window "$main" "$1" 8 click 1
  wait_until 5 eval '[ "$(visible_windows_of "$APP_PID" | wc -l)" -gt "$before" ]' || fail "the menu at $1 did not open"
  xdotool mousemove --window "$main" "$(($1 + 30))" 29 click 1
}
about_shown() { [ -n "$(xdotool search --onlyvisible --name '^Orvenna About$' 2>/dev/null)" ]; }
# The window ids the window manager lists from bottom to top.
stacking() { xprop -root _NET_CLIENT_LIST_STACKING | grep -o '0x[0-9a-f]*' | while read -r w; do echo $((w)); done; }
above() { [ "$(stacking | grep -nx "$1" | cut -d: -f1)" -gt "$(stacking | grep -nx "$2" | cut -d: -f1)" ]; }

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

menu 167  # Help, About(&A)
about=$(wait_window "Orvenna About" 10) || true
[ -n "$about" ] || fail "Help, About mapped no About window"
read -r x y < <(client_origin "$about")
size=$(xwininfo -id "$about" | awk '/Width:/ {w = $NF} /Height:/ {h = $NF} END {print w "x" h}')
[ "$size" = 382x211 ] || fail "About window is $size"
[ "$x,$y" = "156,129" ] || fail "About window at $x,$y"
pass "About window mapped with its caption at its place"

# A window of its own: not owned by the main window (which would keep it above that),
# yet off the taskbar.
xprop -id "$about" WM_TRANSIENT_FOR | grep -q 'not found' || fail "the About window is owned: $(xprop -id "$about" WM_TRANSIENT_FOR)"
xprop -id "$about" _NET_WM_STATE | grep -q _NET_WM_STATE_SKIP_TASKBAR || fail "the About window is on the taskbar"
activate "$main"
wait_until 5 above "$main" "$about" || fail "the activated main window stays below the About window"
activate "$about"
wait_until 5 above "$about" "$main" || fail "the activated About window stays below the main window"
shot about
pass "About window has no owner window and is off the taskbar"

# The link button: 72,88 257x25 in the client area.
xdotool mousemove --window "$about" 200 100 click 1
wait_until 5 test -s "$WORK/opened" || fail "the link button ran no xdg-open"
expected="$(cd "$(dirname "$ORVENNA_BIN")" && pwd -P)|$address"
got=$(head -1 "$WORK/opened")
[ "$got" = "$expected" ] || fail "xdg-open ran as '$got', expected '$expected'"
about_shown || fail "the About window closed after the link"
pass "link button opened $address from the program's folder"

activate "$about"
xdotool key Escape
wait_until 5 eval '! about_shown' || fail "Esc did not close the About window"
alive "$app" || fail "closing the About window ended the program"
pass "Esc closed the About window; the program runs on"

# Main window closed first: the program waits for the About window.
menu 167
about=$(wait_window "Orvenna About" 10) || true
[ -n "$about" ] || fail "the second About mapped no About window"
menu 212  # Close, Close(&C)
question=$(wait_window "Close Orvenna" 10) || true
[ -n "$question" ] || fail "no question after Close"
activate "$question"
xdotool key Return
wait_until 5 eval '! visible_windows_of "$app" | grep -qx "$main"' || fail "Yes did not close the main window"
alive "$app" || fail "the program ended with the About window open"
about_shown || fail "the About window went with the main window"
activate "$about"
xdotool key Return
wait_exit "$app" 10 || fail "the program did not end when its last window closed"
rc=0; wait "$app" || rc=$?
[ "$rc" -eq 0 ] || fail "the program ended with status $rc"
pass "the program ended when the About window, its last window, closed"
