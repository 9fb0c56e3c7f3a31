# What the screen and the clipboard show, for the desktop test scripts. Sourced by
# tests/desktop/lib.sh, whose shot, activate, wait_until, wait_exit, PIDS and SHOTS
# these use.

# Mean colour of a rectangle of a screenshot as "r g b" (0-255): mean_rgb SHOT X Y W H.
mean_rgb() {
  convert "$SHOTS/$1.png" -crop "$4x$5+$2+$3" +repage -scale 1x1\! \
    -format '%[fx:int(255*r+.5)] %[fx:int(255*g+.5)] %[fx:int(255*b+.5)]' info:
}

# near "r g b" "R G B": every channel within 24.
near() {
  local a=($1) b=($2) i
  for i in 0 1 2; do [ $(( ${a[i]} - ${b[i]} )) -le 24 ] && [ $(( ${b[i]} - ${a[i]} )) -le 24 ] || return 1; done
}

# Takes the screenshot NAME again and again until CHECK (a command) sees what is awaited
# on it, for at most SECS seconds: wait_shot NAME SECS CHECK [ARGS...].
wait_shot() {
  local name=$1 secs=$2 i
  shift 2
  for i in $(seq $((secs * 5))); do shot "$name"; "$@" && return 0; sleep 0.1; done
  return 1
}

clipboard_is() { [ "$(timeout 5 xclip -o -selection clipboard 2>/dev/null)" = "$1" ]; }

# Another program puts TEXT on the clipboard (its PID in CLIP) and holds it until taken.
put_clipboard() {
  printf '%s' "$1" | xclip -i -selection clipboard -quiet >/dev/null 2>&1 &
  CLIP=$!; PIDS+=("$CLIP")
  wait_until 5 clipboard_is "$1" || fail "another program could not take the clipboard"
}

# The text of the program's file-name box, read through the clipboard: a click at X,Y in
# WINDOW, then select all and Ctrl+Z copies. Another program owns the clipboard first, so
# that a text read back is surely the box's: box_text WINDOW X Y.
box_text() {
  put_clipboard "-"
  activate "$1"
  xdotool mousemove --window "$1" "$2" "$3" click 1
  xdotool key Home shift+End ctrl+z
  wait_exit "$CLIP" 5 || fail "Ctrl+Z did not take the clipboard"
  timeout 5 xclip -o -selection clipboard
}
