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
