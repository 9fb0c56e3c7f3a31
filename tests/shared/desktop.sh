# Shared by the desktop tests of the Linux program (tests/desktop/lib.sh) and of the
# Windows program under Wine (tests/windows/desktop/lib.sh): bounded waits, windows,
# screenshots and their colours, the clipboard, and a hand's drag. Each suite's lib.sh
# sources it and sets, before calling anything here:
#   SHOT_PREFIX  what a screenshot's name is put after to make its file name;
#   PIDS         an array of the background processes to end when the test ends;
#   fail, activate  the suite's own (how it reports, how it gives a window the keyboard).

# The X server of these machines refuses a new connection now and then (about one in
# seventy). A command-line X tool that could not connect has done nothing, so it is run
# again: each is shadowed on PATH by a wrapper in FOLDER that retries on that error
# alone. The wrappers also serve `timeout TOOL` and subshells, which shell functions
# would not. REAL_XCLIP is the xclip they shadow.
retry_refused_x_tools() {  # folder
  local xbin=$1 tool real
  REAL_XCLIP=$(command -v xclip) || { echo "FAIL: xclip is not installed" >&2; exit 1; }
  mkdir -p "$xbin"
  for tool in xdotool xprop xwininfo xclip import; do
    real=$(command -v "$tool") || { echo "FAIL: $tool is not installed" >&2; exit 1; }
    cat >"$xbin/$tool" <<WRAPPER
#!/usr/bin/env bash
err=\$(mktemp)
trap 'kill "\$child" 2>/dev/null; rm -f "\$err"; exit 143' TERM INT
for try in 1 2 3; do
  # In the background so that a timeout's signal reaches it through the trap above.
  "$real" "\$@" <&0 2>"\$err" &
  child=\$!
  rc=0; wait "\$child" || rc=\$?
  [ "\$rc" -ne 0 ] && grep -qiE "open (display|X server)" "\$err" || break
done
cat "\$err" >&2; rm -f "\$err"
exit "\$rc"
WRAPPER
    chmod +x "$xbin/$tool"
  done
  export PATH="$xbin:$PATH"
}

alive() { kill -0 "$1" 2>/dev/null; }

# Runs a check every tenth of a second until it succeeds, for at most SECS seconds.
wait_until() {
  local secs=$1 i
  shift
  for i in $(seq $((secs * 10))); do "$@" && return 0; sleep 0.1; done
  "$@"
}

wait_exit() {  # pid [seconds]: true once the process has ended
  local pid=$1 secs=${2:-10}
  wait_until "$secs" eval "! alive $pid"
}

# ---- Windows ----

# Waits (bounded) for a visible window whose name matches exactly; prints its id.
wait_window() {
  local name=$1 secs=${2:-10}
  timeout "$secs" xdotool search --sync --onlyvisible --name "^${name}\$" 2>/dev/null | head -1
}

# Windows of a process that are mapped, one id a line.
visible_windows_of() {
  xdotool search --onlyvisible --pid "$1" 2>/dev/null || true
}

# A visible window of the process with this title other than the one given (bounded
# wait). A window may be replaced while it is shown (Wine does): only one that is
# viewable counts.
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

window_of() {  # pid title [seconds]
  other_window_of "$1" "$2" "" "${3:-30}"
}

window_viewable() { xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }

window_gone() {  # window-id [seconds]
  wait_until "${2:-15}" eval "! window_viewable $1"
}

# "X Y" of a window's client area on the screen.
client_origin() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF} END {print x, y}'
}

# ---- Screenshots ----

shot_file() { echo "${SHOT_PREFIX}$1.png"; }

shot() { import -display "$DISPLAY" -window root "$(shot_file "$1")"; }

# Takes screenshots under NAME until one equals the one before it (the screen has been
# painted to the end) and, when a CHECK is given, CHECK NAME passes on it. At most SECS
# seconds.
shot_when_still() {  # name secs [check...]
  local name=$1 secs=$2 before="" now deadline
  shift 2
  deadline=$((SECONDS + secs))
  while :; do
    shot "$name"
    now=$(convert "$(shot_file "$name")" rgb:- | md5sum)
    [ "$now" = "$before" ] && { [ $# -eq 0 ] || "$@" "$name"; } && return 0
    [ $SECONDS -lt $deadline ] || return 1
    before=$now
    sleep 0.1
  done
}

# Mean colour "r g b" (0-255) of a rectangle of a screenshot.
mean_rgb() {  # shot-name x y w h
  convert "$(shot_file "$1")" -crop "$4x$5+$2+$3" +repage -scale 1x1\! \
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

# The bounding box "W H X Y" of the pixels of one colour in a screenshot; the width is 0
# when there are none.
colour_box() {  # shot-name colour
  convert "$(shot_file "$1")" -fill black +opaque "$2" -format '%@\n' info: 2>/dev/null |
    sed -E 's/^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$/\1 \2 \3 \4/'
}

# ---- Clipboard ----

clipboard_is() { [ "$(timeout 5 xclip -o -selection clipboard 2>/dev/null)" = "$1" ]; }

# Another program puts TEXT on the clipboard (its PID in CLIP) and holds it until taken.
# The clipboard is read only once that program says it owns it: under Wine, a read that
# reaches Wine's clipboard bridge while the owner changes can leave the bridge stuck for
# good (the program's later copies no longer reach the desktop). It is the xclip itself,
# not its wrapper, whose word is awaited; one whose connection was refused is started again.
put_clipboard() {
  local said try
  for try in 1 2; do
    said=$(mktemp -p "$WORK")
    printf '%s' "$1" | "$REAL_XCLIP" -verbose -i -selection clipboard -quiet >/dev/null 2>"$said" &
    CLIP=$!
    PIDS+=("$CLIP")
    wait_until 5 grep -q "Waiting for selection requests" "$said" && break
    kill "$CLIP" 2>/dev/null || true
  done
  wait_until 5 clipboard_is "$1" || fail "another program could not take the clipboard"
}

# The text of the main window's file-name box, read through the clipboard: a click into
# the box at X,Y on the screen, all of it selected, the program's Copy (Ctrl+Z).
# Another program owns the clipboard first, so that a text read back is surely the box's.
box_text() {  # window x y [within]: the point on the screen, or with "within" in the window
  put_clipboard "-"
  activate "$1"
  if [ "${4:-}" = within ]; then xdotool mousemove --window "$1" "$2" "$3" click 1; else xdotool mousemove "$2" "$3" click 1; fi
  xdotool key Home shift+End ctrl+z
  wait_exit "$CLIP" 5 || fail "Ctrl+Z did not take the clipboard"
  timeout 5 xclip -o -selection clipboard
}

# ---- Drag ----

# Presses the left button at SX,SY and moves, like a hand would, to TX,TY, where it is
# released. The pauses between the steps are the drag's own timing: drag code reacts to
# motion events as they come, and a jump straight to the target is not a drag.
drag_motion() {
  local sx=$1 sy=$2 tx=$3 ty=$4 d
  xdotool mousemove --sync "$sx" "$sy"
  xdotool mousedown 1
  sleep 0.1
  for d in 4 8 12 16; do xdotool mousemove "$sx" $((sy + d)); sleep 0.05; done
  xdotool mousemove $((tx + 10)) "$ty"; sleep 0.3
  xdotool mousemove "$tx" "$ty"; sleep 0.3
  xdotool mouseup 1
}

# Takes the screenshot NAME again and again until CHECK (a command) sees what is awaited
# on it, for at most SECS seconds: wait_shot NAME SECS CHECK [ARGS...].
wait_shot() {
  local name=$1 secs=$2 i
  shift 2
  for i in $(seq $((secs * 5))); do shot "$name"; "$@" && return 0; sleep 0.1; done
  return 1
}
