#!/usr/bin/env bash
# The real program: a picture opened with Ctrl+O (and then one dropped from another
# program), then Ctrl+S, a target name ending in .gif typed into the save dialog,
# Return: the message names the extension and the file written is a GIF.
source "$(dirname "$0")/lib.sh"
desktop_start

convert -size 160x120 gradient:orange-navy "$WORK/moon.jpg"
convert -size 90x70 xc:'#20a040' "$WORK/leaf.jpg"
mkdir -p "$WORK/out"

start_app
main=$(wait_window Orvenna 15) || true
[ -n "$main" ] || fail "main window not mapped"

shown() { [ -n "$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null)" ]; }
# Types a path into a file dialog and confirms it; a completion list that takes the
# first Return is answered by a second one.
enter_path() {
  local dialog=$1 path=$2 title=$3 i
  activate "$dialog"
  xdotool key ctrl+a
  xdotool type --delay 10 "$path"
  for i in 1 2 3; do
    xdotool key Return
    wait_until 2 eval '! shown "$title"' && return 0
  done
  return 1
}
# The message box carries the program's title too: the visible "Orvenna" that is not the main window.
message() { xdotool search --onlyvisible --name '^Orvenna$' 2>/dev/null | grep -vx "$main" | head -1 || true; }

activate "$main"
xdotool key ctrl+o
open=$(wait_window 'ファイルを開く' 10) || true
[ -n "$open" ] || fail "open dialog not shown"
shot open-dialog
enter_path "$open" "$WORK/moon.jpg" 'ファイルを開く' || fail "open dialog did not take the path"
pass "picture opened through the open dialog"
shot opened

# Ctrl+S, a .gif name, Return: the message, then a real GIF of the given size on disk.
save_as_gif() {
  local target=$1 size=$2 tag=$3 box
  activate "$main"
  xdotool key ctrl+s
  save=$(wait_window 'Save As' 10) || true
  [ -n "$save" ] || fail "save dialog not shown"
  shot "save-dialog$tag"
  enter_path "$save" "$target" 'Save As' || fail "save dialog did not take the name"
  wait_until 10 eval '[ -n "$(message)" ]' || fail "no message after saving"
  box=$(message)
  shot "save-message$tag"
  [ -f "$target" ] || fail "no file written"
  [ "$(head -c 6 "$target")" = "GIF89a" ] || fail "the file is not a GIF"
  [ "$(identify -format '%m %wx%h' "$target")" = "GIF $size" ] || fail "GIF unreadable or wrong size"
  pass "message shown and the file is a GIF"
  activate "$box"
  xdotool key Return
  wait_until 5 eval '[ -z "$(message)" ]' || fail "message did not close"
  pass "message closed"
}

save_as_gif "$WORK/out/moon.gif" 160x120 ""

# A picture dropped on the window from another program, saved the same way.
read -r cx cy < <(client_origin "$main")
drag_to $((cx + 300)) $((cy + 300)) "$WORK/leaf.jpg"
wait_exit "$SOURCE_PID" 10 || fail "drag source did not finish"
grep -q dropped "$WORK/source.log" || fail "the program did not take the drop"
pass "picture dropped from another program"
save_as_gif "$WORK/out/leaf.gif" 90x70 "-dropped"
