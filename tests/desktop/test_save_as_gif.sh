#!/usr/bin/env bash
# The real program: a picture opened with Ctrl+O, then Ctrl+S, a target name ending in
# .gif typed into the save dialog, Return: the message names the extension and the
# file written is a GIF.
source "$(dirname "$0")/lib.sh"
desktop_start

convert -size 160x120 gradient:orange-navy "$WORK/moon.jpg"
mkdir -p "$WORK/out"

start_app
main=$(wait_window Orvenna 15) || true
[ -n "$main" ] || fail "main window not mapped"
sleep 0.3

# Types a path into the focused file dialog and confirms it; a completion list that
# takes the first Return is answered by a second one.
enter_path() {
  local dialog=$1 path=$2 i
  xdotool windowfocus --sync "$dialog"
  xdotool key ctrl+a
  xdotool type --delay 10 "$path"
  sleep 0.3
  for i in 1 2 3; do
    xdotool key Return
    sleep 0.5
    xdotool search --onlyvisible --name "^$3\$" >/dev/null 2>&1 || return 0
  done
  return 1
}

xdotool windowfocus --sync "$main" key ctrl+o
open=$(wait_window 'ファイルを開く' 10) || true
[ -n "$open" ] || fail "open dialog not shown"
shot open-dialog
enter_path "$open" "$WORK/moon.jpg" 'ファイルを開く' || fail "open dialog did not take the path"
pass "picture opened through the open dialog"
sleep 0.3
shot opened

xdotool windowfocus --sync "$main" key ctrl+s
save=$(wait_window 'Save As' 10) || true
[ -n "$save" ] || fail "save dialog not shown"
shot save-dialog
enter_path "$save" "$WORK/out/moon.gif" 'Save As' || fail "save dialog did not take the name"

# The message box carries the program's title too: the visible "Orvenna" that is not the main window.
box=""
for i in $(seq 50); do
  box=$(xdotool search --onlyvisible --name '^Orvenna$' 2>/dev/null | grep -v "^$main\$" | head -1 || true)
  [ -n "$box" ] && break
  sleep 0.1
done
[ -n "$box" ] || fail "no message after saving"
shot save-message
[ -f "$WORK/out/moon.gif" ] || fail "no file written"
[ "$(head -c 6 "$WORK/out/moon.gif")" = "GIF89a" ] || fail "the file is not a GIF"
[ "$(identify -format '%m %wx%h' "$WORK/out/moon.gif")" = "GIF 160x120" ] || fail "GIF unreadable or wrong size"
pass "message shown and the file is a GIF"
xdotool windowfocus --sync "$box" key Return
sleep 0.3
[ -z "$(xdotool search --onlyvisible --name '^Orvenna$' 2>/dev/null | grep -v "^$main\$" || true)" ] || fail "message did not close"
pass "message closed"
