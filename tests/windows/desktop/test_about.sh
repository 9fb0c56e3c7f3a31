#!/usr/bin/env bash
# Ctrl+A shows "Orvenna About" beside the main window. Enter presses the web button while
# it has the focus, however it got it (Tab, a click), and hands the address to the
# desktop's browser (a stand-in records it) with the window staying; Esc closes it from
# there; opened again, Enter presses OK, which closes it, and the program runs on.
source "$(dirname "$0")/lib.sh"

fake="$WORK/browser"
mkdir -p "$fake"
cat >"$fake/xdg-open" <<'SH'
#!/bin/sh
printf '%s\n' "$1" >>"$(dirname "$0")/opened"
SH
chmod +x "$fake/xdg-open"
opened() { [ -f "$fake/opened" ] && [ "$(wc -l <"$fake/opened")" -ge "$1" ]; }

PATH="$fake:$PATH" start_program
pid=$program_pid
main=$(window_of "$pid" Orvenna) || fail "no window Orvenna"
activate "$main"
xdotool key ctrl+a
about=$(window_of "$pid" "Orvenna About" 10) || fail "Ctrl+A did not show About"
activate "$about"
xdotool mousemove 1000 900
shot_when_still about 10 || true  # for the record, once painted

# Tab from OK to the web button, Enter presses it.
xdotool key Tab Return
wait_until 30 opened 1 || fail "Enter on the web button did not ask the browser"
grep -q '^https://' "$fake/opened" || fail "opened $(cat "$fake/opened")"
window_viewable "$about" || fail "About closed after Enter on the web button"

# Back to OK, then a click on the web button (at 72,88 in the window, 257x25): it opens
# the page and keeps the focus, and Enter presses it again.
xdotool key shift+Tab
xdotool mousemove --window "$about" 200 100 click 1
wait_until 30 opened 2 || fail "a click on the web button did not ask the browser"
xdotool key Return
wait_until 30 opened 3 || fail "Enter on the clicked web button did not ask the browser"
window_viewable "$about" || fail "About closed after Enter on the clicked web button"

xdotool key Escape
window_gone "$about" || fail "Esc did not close About"

# Opened again, the focus is on OK: Enter closes it.
activate "$main"
xdotool key ctrl+a
about=$(window_of "$pid" "Orvenna About" 10) || fail "Ctrl+A did not show About again"
activate "$about"
xdotool key Return
window_gone "$about" || fail "Enter on OK did not close About"
[ "$(wc -l <"$fake/opened")" -eq 3 ] || fail "the browser was asked $(wc -l <"$fake/opened") times, not 3"
alive "$pid" || fail "the program ended with About"
echo "PASS"
