#!/usr/bin/env bash
# Names the system allows that are awkward to carry: a JPEG with a "\" in its name and
# one whose name is not UTF-8. Each dropped from another program is shown with its
# name readable in the file-name box; each opened with Ctrl+O is shown.
source "$(dirname "$0")/lib.sh"
: "${ORVENNA_TEST_TOOLS:?the folder of the helper programs}"
desktop_start

PICS="$WORK/pics"
mkdir -p "$PICS/bs" "$PICS/latin"
convert -size 320x240 xc:'#30c060' "$WORK/green.jpg"
convert -size 320x240 xc:'#3050d0' "$WORK/blue.jpg"
BACKSLASH="$PICS/bs/a\\b.jpg"
LATIN="$PICS/latin/caf"$'\xe9'".jpg"
cp "$WORK/green.jpg" "$BACKSLASH"
cp "$WORK/blue.jpg" "$LATIN"

start_app
main=$(wait_window Orvenna 15) || true
[ -n "$main" ] || fail "main window not mapped"
read -r WX WY < <(client_origin "$main")
height=$(xwininfo -id "$main" | awk '/Height:/ {print $NF}')
menu=$((height - 622))

# Waits (bounded) until the pane shows a colour; the area lies inside the picture
# wherever the pane stands (after a drop or after the open command).
pane_shows() { near "$(mean_rgb "$1" $((WX + 150)) $((WY + menu + 60)) 100 100)" "$2"; }
wait_pane_colour() { wait_shot "$2" 10 pane_shows "$2" "$1"; }

drop() {
  drag_to $((WX + 300)) $((WY + menu + 300)) "$1"
  wait_exit "$SOURCE_PID" 10 || fail "drag source did not finish"
  grep -q dropped "$WORK/source.log" || fail "the program did not take the drop of $1: $(cat "$WORK/source.log")"
}

drop "$BACKSLASH"
wait_pane_colour "48 192 96" drop-backslash || fail "a\\b.jpg dropped but not shown"
name=$(box_text "$main" 600 $((menu + 12)) within)
[ "$name" = "a＼b.jpg" ] || fail "the box shows '$name' for a\\b.jpg"
pass "a\\b.jpg dropped: shown, named a＼b.jpg"

drop "$LATIN"
wait_pane_colour "48 80 208" drop-latin1 || fail "the non-UTF-8 name dropped but not shown"
name=$(box_text "$main" 600 $((menu + 12)) within)
[[ $name == caf?.jpg ]] || fail "the box shows '$name' for caf\\xe9.jpg"
pass "caf\\xe9.jpg dropped: shown, named $name"

# Ctrl+O; waits for the open dialog and prints its id.
open_dialog() {
  local dialog
  activate "$main"
  xdotool key ctrl+o
  dialog=$(wait_window 'ファイルを開く' 10) || true
  [ -n "$dialog" ] || fail "open dialog not shown"
  echo "$dialog"
}
# Presses Return until the open dialog is gone (a completion list takes one); each
# press is given up to 3 s to close it, so that a slow machine is not taken for a refusal.
confirm_open() {
  local i j
  for i in 1 2 3; do
    xdotool key Return
    for j in $(seq 30); do
      sleep 0.1
      xdotool search --onlyvisible --name '^ファイルを開く$' >/dev/null 2>&1 || return 0
    done
  done
  return 1
}

# Paths go into the dialog's name field by a paste: typing characters outside the
# keyboard map through xdotool is not reliable on a loaded machine.
type_path() {
  put_clipboard "$2"
  activate "$1"
  xdotool key ctrl+a ctrl+v
}
dialog=$(open_dialog)
type_path "$dialog" "$BACKSLASH"
confirm_open || fail "open dialog did not take a\\b.jpg"
wait_pane_colour "48 192 96" open-backslash || fail "a\\b.jpg opened but not shown"
pass "a\\b.jpg opened and shown"

# Qt's dialog lists no such name and its bytes cannot be typed: the name is typed as
# it reads, U+FFFD for the byte that is not text.
dialog=$(open_dialog)
type_path "$dialog" "$PICS/latin/caf�.jpg"
confirm_open || fail "open dialog did not take the non-UTF-8 name"
wait_pane_colour "48 80 208" open-latin1 || fail "the non-UTF-8 name opened but not shown"
pass "caf\\xe9.jpg opened and shown"
alive "$APP_PID" || fail "program ended"
