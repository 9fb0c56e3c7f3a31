#!/usr/bin/env bash
# The program starts with its window "Orvenna", its controls at their design places and
# its menu bar; a second copy shows only its warning and ends while the first runs on.
source "$(dirname "$0")/lib.sh"

start_main_window startup
first=$pid

# Layout at 96 DPI, relative to the title label: label 249x25; the box 280 px right of
# it, 193x25; the pane 216 px left of it and 34 px lower, 721x569.
[ "$label_w $label_h" = "249 25" ] || fail "title label is ${label_w}x${label_h}"
read -r pane_w pane_h pane_x pane_y < <(colour_box startup 'rgb(192,192,192)')
[ "$pane_w $pane_h" = "721 569" ] || fail "pane is ${pane_w}x${pane_h}"
[ $((label_x - pane_x)) -eq 216 ] && [ $((pane_y - label_y)) -eq 34 ] ||
  fail "pane at $pane_x,$pane_y against label at $label_x,$label_y"

# The menu bar: F10 enters it, Right walks to Help, its item About by its mnemonic.
xdotool key F10 Right Right Right Down a
about=$(window_of "$first" "Orvenna About" 10) || fail "the Help menu did not open About"
activate "$about"
xdotool key Escape
window_gone "$about" || fail "Esc did not close About"

# A second copy: only the warning (a box with an empty title), then it ends.
start_program
second=$program_pid
warning=$(window_of "$second" "" 30) || fail "the second copy showed no warning"
shot second-copy-warning
activate "$warning"
xdotool key Return
wait_exit "$second" 20 || fail "the second copy did not end"
wait "$second" || true
kill -0 "$first" || fail "the first copy ended too"
xwininfo -id "$main" | grep -q IsViewable || fail "the first copy's window went away"
echo "PASS"
