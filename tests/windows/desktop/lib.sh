# Shared steps of the Windows desktop tests: the program under Wine in the session that
# the test fixture started, driven with xdotool and xclip, screenshots kept.
set -euo pipefail
: "${ORVENNA_EXE:?}" "${WINE_SESSION:?}" "${WINE_SESSION_SCRIPT:?}" "${ORVENNA_SHOTS:?}"
eval "$(bash "$WINE_SESSION_SCRIPT" env "$WINE_SESSION" | sed 's/^/export /')"
mkdir -p "$ORVENNA_SHOTS"
started_pids=()

fail() {
  echo "FAIL: $*" >&2
  shot "failure-$(basename "$0" .sh)" || true
  exit 1
}

# Ends what this test started that still runs.
cleanup() {
  for pid in "${started_pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
  for pid in "${started_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

# Starts a copy of the program; its pid goes to $program_pid.
start_program() {
  wine "$ORVENNA_EXE" >/dev/null 2>&1 &
  program_pid=$!
  started_pids+=("$program_pid")
}

# The visible window of a process with exactly this title (bounded wait). Wine may
# replace a window's X window while it shows it: only one that is viewable counts.
window_of() {  # pid title [seconds]
  other_window_of "$1" "$2" "" "${3:-30}"
}

window_gone() {  # window-id [seconds]
  timeout "${2:-15}" bash -c "while xwininfo -id $1 2>/dev/null | grep -q IsViewable; do sleep 0.1; done"
}

process_ends() {  # pid [seconds]: true once the process has ended
  timeout "${2:-20}" bash -c "while kill -0 $1 2>/dev/null; do sleep 0.1; done"
}

activate() { xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus --sync "$1"; }

shot() { import -display "$DISPLAY" -window root "$ORVENNA_SHOTS/windows-$1.png"; }

# A visible window of the process with this title other than the one given (bounded wait).
other_window_of() {  # pid title not-this-window [seconds]
  local deadline=$((SECONDS + ${4:-15})) w
  while [ $SECONDS -lt $deadline ]; do
    for w in $(xdotool search --all --onlyvisible --pid "$1" --name "^$2\$" 2>/dev/null); do
      [ "$w" = "$3" ] && continue
      if xwininfo -id "$w" 2>/dev/null | grep -q IsViewable; then
        echo "$w"
        return 0
      fi
    done
    sleep 0.2
  done
  return 1
}

# Mean colour "r g b" (0-255) of a rectangle of a screenshot.
mean_rgb() {  # shot-name x y w h
  convert "$ORVENNA_SHOTS/windows-$1.png" -crop "$4x$5+$2+$3" +repage -scale 1x1\! \
    -format '%[fx:int(255*r+.5)] %[fx:int(255*g+.5)] %[fx:int(255*b+.5)]' info:
}
near() {  # near "r g b" "R G B": every channel within 24
  local a=($1) b=($2) i
  for i in 0 1 2; do [ $((a[i] - b[i])) -le 24 ] && [ $((b[i] - a[i])) -le 24 ] || return 1; done
}

# Waits (bounded) until a fresh screenshot shows the colour at a place.
wait_colour() {  # shot-name x y w h "r g b" [seconds]
  local deadline=$((SECONDS + ${7:-10}))
  while [ $SECONDS -lt $deadline ]; do
    shot "$1"
    near "$(mean_rgb "$1" "$2" "$3" "$4" "$5")" "$6" && return 0
    sleep 0.3
  done
  return 1
}

# The text of the main window's file-name box, read through the clipboard: a click into
# the box, all of it selected, the program's Copy (Ctrl+Z).
box_text() {  # window
  activate "$1"
  xdotool mousemove $((label_x + 330)) $((label_y + 12)) click 1
  printf 'none' | xclip -i -selection clipboard >/dev/null 2>&1
  xdotool key End shift+Home ctrl+z
  sleep 0.5
  xclip -o -selection clipboard 2>/dev/null
}

# The bounding box "W H X Y" of the pixels of one colour in a screenshot.
colour_box() {  # shot-name colour
  convert "$ORVENNA_SHOTS/windows-$1.png" -fill black +opaque "$2" -format '%@\n' info: |
    sed -E 's/^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$/\1 \2 \3 \4/'
}

# The main window's title label (dark red) gives the place of everything else.
label_origin() {  # shot-name: sets label_x, label_y, label_w, label_h
  read -r label_w label_h label_x label_y < <(colour_box "$1" 'rgb(64,0,0)')
}

# Starts the program and readies its main window for a test: found (main, pid), active,
# the pointer out of the way (no tooltip in the shot), shot as the name given and the
# title label's place read from that shot.
start_main_window() {  # shot-name
  start_program
  pid=$program_pid
  main=$(window_of "$pid" Orvenna) || fail "no window Orvenna"
  activate "$main"
  xdotool mousemove 1000 900
  sleep 0.3
  shot "$1"
  label_origin "$1"
}
