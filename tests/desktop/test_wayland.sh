#!/usr/bin/env bash
# The program under Wayland: Qt's Wayland plugin, no X connection at all. Weston runs as
# the compositor inside our X server (its X11 backend), because its headless backend has
# no keyboard to press Ctrl+O with; what the program talks to is Wayland either way. What
# is seen is read from the compositor's own screenshots: the main window comes up, and a
# picture opened with Ctrl+O and the open dialog is shown.
source "$(dirname "$0")/lib.sh"
desktop_start

SOCKET=orvenna-test
# Fraction of a screenshot's pixels within 6% of a colour.
share_of() {
  convert "$1" -fuzz 6% -fill black +opaque "$2" -fill white -opaque "$2" -colorspace Gray \
    -format '%[fx:mean]' info:
}
# Takes a screenshot through the compositor into $SHOTS/NAME.png.
wl_shot() {
  local dir="$WORK/wl-shots"
  rm -rf "$dir"; mkdir -p "$dir"
  (cd "$dir" && WAYLAND_DISPLAY=$SOCKET timeout 10 weston-screenshooter) || return 1
  mv "$dir"/*.png "$SHOTS/$1.png"
}
# Waits (bounded) until the screenshot NAME has more than SHARE of its pixels in COLOUR.
wait_share() {
  local name=$1 colour=$2 share=$3 i
  for i in $(seq 40); do
    wl_shot "$name" && awk "BEGIN {exit !($(share_of "$SHOTS/$name.png" "$colour") > $share)}" && return 0
    sleep 0.25
  done
  return 1
}
weston_window() { xwininfo -root -tree | awk '/"Weston Compositor/ {print $1; exit}'; }

# --debug lets clients take screenshots; pixman draws without a GPU. A compositor whose X
# connection was refused ends at once and is started again.
# Its own settings, not those of whoever runs the tests: no panel (nothing to start by a
# stray click), no fading (a screenshot shows the colours drawn).
printf '[shell]\npanel-position=none\nanimation=none\nstartup-animation=none\nclose-animation=none\nfocus-animation=none\n' \
  >"$WORK/weston.ini"
for try in 1 2; do
  weston --config="$WORK/weston.ini" --backend=x11-backend.so --use-pixman --debug --socket="$SOCKET" \
    --width=1024 --height=768 --idle-time=0 >"$WORK/weston.log" 2>&1 &
  WESTON_PID=$!
  PIDS+=("$WESTON_PID")
  for i in $(seq 100); do
    [ -S "$XDG_RUNTIME_DIR/$SOCKET" ] && [ -n "$(weston_window)" ] && break
    alive "$WESTON_PID" || break
    sleep 0.1
  done
  [ -S "$XDG_RUNTIME_DIR/$SOCKET" ] && [ -n "$(weston_window)" ] && break
  kill -9 "$WESTON_PID" 2>/dev/null || true
done
[ -n "$(weston_window)" ] || fail "weston did not start: $(tail -3 "$WORK/weston.log")"

# The compositor's X window has the keyboard before the program's window comes, so that
# weston gives the keyboard to that window when it maps it.
xdotool windowfocus --sync "$(weston_window)"

convert -size 320x240 xc:'#c03060' "$WORK/moon.jpg"
env -u DISPLAY QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY="$SOCKET" "$ORVENNA_BIN" >"$WORK/app.log" 2>&1 &
APP_PID=$!
PIDS+=("$APP_PID")
# The title label's dark red.
wait_share wayland-started '#400000' 0.004 || fail "no main window under Wayland: $(tail -3 "$WORK/app.log")"
alive "$APP_PID" || fail "the program ended"
pass "main window up under Wayland"

xdotool key ctrl+o
# The open dialog's white file list.
wait_share wayland-open-dialog '#ffffff' 0.05 || fail "no open dialog after Ctrl+O"
xdotool type --delay 10 "$WORK/moon.jpg"
xdotool key Return
wait_share wayland-opened '#c03060' 0.05 || fail "the opened picture is not shown"
alive "$APP_PID" || fail "the program ended"
pass "picture opened with Ctrl+O is shown under Wayland"
