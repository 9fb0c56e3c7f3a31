# Shared by the desktop tests: a private X server (and tray host), the program under
# test, bounded waits, screenshots. Source it; call desktop_start first.
set -euo pipefail

: "${ORVENNA_BIN:?the program under test}"
: "${ORVENNA_BUILD:?the build folder}"
SHOTS="$ORVENNA_BUILD/screenshots"
mkdir -p "$SHOTS"

WORK=$(mktemp -d)
# A private runtime folder: the single-copy lock of these runs is ours alone.
export XDG_RUNTIME_DIR="$WORK/run"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb
export QT_ENABLE_HIGHDPI_SCALING=0
unset DBUS_SESSION_BUS_ADDRESS || true
PIDS=()

desktop_cleanup() {
  local p
  for p in "${PIDS[@]}"; do kill -9 "$p" 2>/dev/null || true; done
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap desktop_cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
pass() { echo "ok: $*"; }

# Starts Xvfb on a free display; with "tray", a tray host too.
desktop_start() {
  local fdfile="$WORK/display"
  Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$fdfile" >/dev/null 2>&1 &
  XVFB_PID=$!
  local i
  for i in $(seq 100); do [ -s "$fdfile" ] && break; sleep 0.1; done
  [ -s "$fdfile" ] || fail "Xvfb did not start"
  export DISPLAY=":$(head -1 "$fdfile")"
  if [ "${1:-}" = tray ]; then
    trayer --edge bottom --align right --widthtype request --height 32 >/dev/null 2>&1 &
    PIDS+=($!)
    timeout 10 bash -c 'until xdotool search --classname "^panel$" >/dev/null 2>&1; do sleep 0.1; done' \
      || fail "tray host did not start"
  fi
}

# Starts the program in the background; its PID in APP_PID, its output in $WORK/app-N.log.
start_app() {
  local n=${#PIDS[@]}
  "$ORVENNA_BIN" >"$WORK/app-$n.log" 2>&1 &
  APP_PID=$!
  PIDS+=("$APP_PID")
}

# Waits (bounded) for a visible window whose name matches exactly; prints its id.
wait_window() {
  local name=$1 secs=${2:-10}
  timeout "$secs" xdotool search --sync --onlyvisible --name "^${name}\$" 2>/dev/null | head -1
}

# Windows of a process that are mapped, one id a line.
visible_windows_of() {
  xdotool search --onlyvisible --pid "$1" 2>/dev/null || true
}

shot() { import -display "$DISPLAY" -window root "$SHOTS/$1.png"; }

alive() { kill -0 "$1" 2>/dev/null; }

wait_exit() {
  local pid=$1 secs=${2:-10} i
  for i in $(seq $((secs * 10))); do alive "$pid" || return 0; sleep 0.1; done
  return 1
}

# Drags files from our drag-source helper's window to a point on screen, like a hand
# would; the helper's PID is in SOURCE_PID and its report in $WORK/source.log.
drag_to() {
  : "${ORVENNA_TEST_TOOLS:?the folder of the helper programs}"
  local tx=$1 ty=$2; shift 2
  "$ORVENNA_TEST_TOOLS/drag_source" "$@" >"$WORK/source.log" 2>&1 &
  SOURCE_PID=$!
  PIDS+=("$SOURCE_PID")
  local src
  src=$(wait_window drag-source 10) || true
  [ -n "$src" ] || fail "drag source did not appear"
  sleep 0.3
  xdotool mousemove --sync 1080 160
  xdotool mousedown 1
  sleep 0.1
  for d in 4 8 12 16; do xdotool mousemove 1080 $((160 + d)); sleep 0.05; done
  xdotool mousemove $((tx + 10)) "$ty"; sleep 0.3
  xdotool mousemove "$tx" "$ty"; sleep 0.3
  xdotool mouseup 1
}

# Starts a second copy, which must show exactly one window (its warning) and end when
# that is closed with Return. An optional name keeps a screenshot of the warning.
expect_second_copy_refused() {
  start_app
  local second=$APP_PID warning="" i
  for i in $(seq 100); do
    warning=$(visible_windows_of "$second" | head -1)
    [ -n "$warning" ] && break
    sleep 0.1
  done
  [ -n "$warning" ] || fail "the second copy showed no warning"
  [ "$(visible_windows_of "$second" | wc -l)" -eq 1 ] || fail "the second copy showed more than its warning"
  [ -z "${1:-}" ] || shot "$1"
  xdotool windowfocus --sync "$warning" key Return
  wait_exit "$second" 10 || fail "the second copy did not end after its warning"
}
