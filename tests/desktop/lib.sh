# Shared by the desktop tests: a private X server with a window manager (and a tray
# host), the program under test, bounded waits, screenshots (the steps both programs'
# desktop tests take are in tests/shared/desktop.sh). Source it; call desktop_start first.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../shared/desktop.sh"

: "${ORVENNA_BIN:?the program under test}"
: "${ORVENNA_BUILD:?the build folder}"
SHOTS="$ORVENNA_BUILD/screenshots"
SHOT_PREFIX="$SHOTS/"
mkdir -p "$SHOTS"

WORK=$(mktemp -d)
# A private runtime folder: the single-copy lock of these runs is ours alone.
export XDG_RUNTIME_DIR="$WORK/run"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb
export QT_ENABLE_HIGHDPI_SCALING=0
unset DBUS_SESSION_BUS_ADDRESS || true
PIDS=()

retry_refused_x_tools "$WORK/xbin"

desktop_cleanup() {
  local p
  for p in "${PIDS[@]}"; do kill -9 "$p" 2>/dev/null || true; done
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap desktop_cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
pass() { echo "ok: $*"; }

# Starts a helper program in the background and waits (bounded) until CHECK says it is
# up. A helper whose X connection was refused ends at once, or never comes up: it is
# started once more. Its PID is in HELPER_PID, its output in $WORK/NAME.log.
start_helper() {
  local name=$1 secs=$2 check=$3 try i
  shift 3
  for try in 1 2; do
    "$@" >>"$WORK/$name.log" 2>&1 &
    HELPER_PID=$!
    PIDS+=("$HELPER_PID")
    for i in $(seq $((secs * 10))); do
      alive "$HELPER_PID" || break
      "$check" && return 0
      sleep 0.1
    done
    kill -9 "$HELPER_PID" 2>/dev/null || true
  done
  fail "$name did not start: $(tail -3 "$WORK/$name.log")"
}

# The window manager is up when it has announced itself on the root window.
wm_up() {
  local check
  check=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -o '0x[0-9a-f]*$') || return 1
  xprop -id "$check" _NET_WM_NAME 2>/dev/null | grep -q '"Openbox"'
}

# The tray host is up when its panel is on the screen and it still runs.
tray_up() {
  [ -n "$(xdotool search --onlyvisible --classname '^panel$' 2>/dev/null)" ] && alive "$HELPER_PID"
}

# Starts Xvfb on a free display with openbox on it, as users have a window manager
# (where a window is placed again, which window is kept above which, focus on
# activation); with "tray", a tray host too. TRAY_PID is the tray host's PID.
desktop_start() {
  local fdfile="$WORK/display"
  Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$fdfile" >/dev/null 2>&1 &
  XVFB_PID=$!
  wait_until 10 test -s "$fdfile" || fail "Xvfb did not start"
  export DISPLAY=":$(head -1 "$fdfile")"
  # Openbox as installed (its own settings, not those of whoever runs the tests).
  start_helper openbox 10 wm_up env XDG_CONFIG_HOME="$WORK/config" openbox --sm-disable
  if [ "${1:-}" = tray ]; then
    start_helper trayer 10 tray_up trayer --edge bottom --align right --widthtype request --height 32
    TRAY_PID=$HELPER_PID
    # It stays: a host that lost its connection just after mapping the panel is caught here.
    sleep 0.3
    tray_up || fail "the tray host went away after it started"
  fi
}

# The program has an X connection once it has made a window (mapped or not).
app_up() { [ -n "$(xdotool search --pid "$APP_PID" 2>/dev/null)" ]; }

# Starts the program in the background without waiting; its PID in APP_PID, its output
# in ${APP_LOGS[PID]}.
declare -A APP_LOGS
launch_app() {
  local log="$WORK/app-${#PIDS[@]}.log"
  "$ORVENNA_BIN" >"$log" 2>&1 &
  APP_PID=$!
  PIDS+=("$APP_PID")
  APP_LOGS[$APP_PID]=$log
}

# Waits until the program of APP_PID made its first window; one whose X connection was
# refused is started once more (APP_PID changes then).
ensure_app_up() {
  local i
  for i in $(seq 150); do
    app_up && return 0
    alive "$APP_PID" || break
    sleep 0.1
  done
  app_up && return 0
  alive "$APP_PID" && fail "the program runs but made no window"
  grep -q "could not connect to display" "${APP_LOGS[$APP_PID]}" ||
    fail "the program ended before it made a window: $(tail -3 "${APP_LOGS[$APP_PID]}")"
  launch_app
  wait_until 15 app_up || fail "the program did not start: $(tail -3 "${APP_LOGS[$APP_PID]}")"
}

# Starts the program and waits until it is up; its PID in APP_PID.
start_app() {
  launch_app
  ensure_app_up
}

# Gives a window the keyboard the way a user does, through the window manager.
activate() { timeout 5 xdotool windowactivate --sync "$1" || fail "the window manager did not activate $1"; }

# "X Y WIDTH HEIGHT" of the window manager's frame around a window: its ancestor just
# below the root.
frame_geometry() {
  local w=$1 parent root
  root=$(xwininfo -root | awk '/Window id:/ {print $4}')
  while :; do
    parent=$(xwininfo -children -id "$w" | awk '/Parent window id:/ {print $4}')
    [ -n "$parent" ] && [ "$((parent))" -ne "$((root))" ] || break
    w=$parent
  done
  xwininfo -id "$w" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
    /Width:/ {w = $NF} /Height:/ {h = $NF} END {print x, y, w, h}'
}

# Puts a drag source's window at the screen's top right, clear of the program's window,
# and prints the centre of its client area.
place_source() {
  local win=$1 x y
  xdotool windowmove --sync "$win" 1100 60 >/dev/null 2>&1 || true
  read -r x y < <(client_origin "$win")
  echo $((x + 40)) $((y + 40))
}

# Drags files from our drag-source helper's window to a point on screen; the helper's PID
# is in SOURCE_PID and its report in $WORK/source.log.
source_up() { [ -n "$(xdotool search --onlyvisible --name '^drag-source$' 2>/dev/null)" ]; }
drag_to() {
  : "${ORVENNA_TEST_TOOLS:?the folder of the helper programs}"
  local tx=$1 ty=$2 sx sy
  shift 2
  rm -f "$WORK/source.log"
  start_helper source 10 source_up "$ORVENNA_TEST_TOOLS/drag_source" "$@"
  SOURCE_PID=$HELPER_PID
  read -r sx sy < <(place_source "$(wait_window drag-source 5)")
  drag_motion "$sx" "$sy" "$tx" "$ty"
}

# Starts a second copy, which must show exactly one window (its warning) and end when
# that is closed with Return. An optional name keeps a screenshot of the warning.
expect_second_copy_refused() {
  start_app
  local second=$APP_PID warning=""
  wait_until 10 eval '[ -n "$(visible_windows_of "$second")" ]' || fail "the second copy showed no warning"
  warning=$(visible_windows_of "$second" | head -1)
  [ "$(visible_windows_of "$second" | wc -l)" -eq 1 ] || fail "the second copy showed more than its warning"
  [ -z "${1:-}" ] || shot "$1"
  activate "$warning"
  xdotool key Return
  wait_exit "$second" 10 || fail "the second copy did not end after its warning"
}
