# Shared steps of the Windows desktop tests: the program under Wine in the session that
# the test fixture started, driven with xdotool and xclip, screenshots kept (the steps
# both programs' desktop tests take are in tests/shared/desktop.sh).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../shared/desktop.sh"
: "${ORVENNA_EXE:?}" "${WINE_SESSION:?}" "${WINE_SESSION_SCRIPT:?}" "${ORVENNA_SHOTS:?}"
eval "$(bash "$WINE_SESSION_SCRIPT" env "$WINE_SESSION" | sed 's/^/export /')"
# Wine's tools from the folder the build found wine in (first on PATH).
if [ -n "${ORVENNA_WINE_DIR:-}" ]; then export PATH="$ORVENNA_WINE_DIR:$PATH"; fi
mkdir -p "$ORVENNA_SHOTS"
SHOT_PREFIX="$ORVENNA_SHOTS/windows-"
PIDS=()
WORK=$(mktemp -d)
retry_refused_x_tools "$WORK/xbin"

fail() {
  echo "FAIL: $*" >&2
  shot "failure-$(basename "$0" .sh)" || true
  exit 1
}

# Ends what this test started that still runs.
cleanup() {
  for pid in "${PIDS[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
  for pid in "${PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$WORK"
}
trap cleanup EXIT

# Starts a copy of the program; its pid goes to $program_pid.
start_program() {
  wine "$ORVENNA_EXE" >/dev/null 2>&1 &
  program_pid=$!
  PIDS+=("$program_pid")
}

activate() { xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus --sync "$1"; }

# The main window's title label (dark red) gives the place of everything else.
label_origin() {  # shot-name: sets label_x, label_y, label_w, label_h
  read -r label_w label_h label_x label_y < <(colour_box "$1" 'rgb(64,0,0)')
}
label_found() { label_origin "$1" && [ "${label_w:-0}" -gt 0 ]; }

# Starts the program and readies its main window for a test: found (main, pid), active,
# the pointer out of the way (no tooltip in the shot), shot as the name given once the
# window is painted, and the title label's place read from that shot.
start_main_window() {  # shot-name
  start_program
  pid=$program_pid
  main=$(window_of "$pid" Orvenna) || fail "no window Orvenna"
  activate "$main"
  xdotool mousemove 1000 900
  shot_when_still "$1" 15 label_found || fail "the main window's title label is not shown"
}

# The text of the main window's file-name box, 280 px right of the title label.
main_box_text() { box_text "$main" $((label_x + 330)) $((label_y + 12)); }

# Drags the file from a GTK program (as Linux file managers send it) to the point given.
drag() {  # target-x target-y file
  local tools
  tools="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../desktop/tools" && pwd)"
  /usr/bin/python3 "$tools/gtk_drag_source.py" "$3" >"$WINE_SESSION/drag.log" 2>&1 &
  local source=$!
  PIDS+=("$source")
  window_of "$source" gtk-drag-source 15 >/dev/null || fail "the drag source did not appear"
  drag_motion 1080 160 "$1" "$2"
  timeout 15 bash -c "until grep -q dropped '$WINE_SESSION/drag.log'; do sleep 0.1; done" ||
    fail "the program did not take the drop"
}

windows_path() { echo "Z:${1//\//\\}"; }

# Saves the pane's picture through Ctrl+S under the host path given, and answers the
# message that follows (the pane is empty after a save).
save_as() {  # host-path
  activate "$main"
  xdotool key ctrl+s
  local save message
  save=$(other_window_of "$pid" ".*" "$main" 15) || fail "no save dialog"
  activate "$save"
  xdotool type --delay 20 "$(windows_path "$1")"
  xdotool key Return
  message=$(other_window_of "$pid" Orvenna "$main" 15) || fail "no message after saving $1"
  shot_when_still "saved-$(basename "$1")" 10 || true  # for the record, once painted
  activate "$message"
  xdotool key Return
  window_gone "$message" || fail "the message stayed"
  [ -s "$1" ] || fail "$1 was not written"
}
