#!/usr/bin/env bash
# Ctrl+A shows "Orvenna About" beside the main window; its web button hands the address to
# the desktop's browser (a stand-in records it); Esc closes it and the program runs on.
source "$(dirname "$0")/lib.sh"

fake=$(mktemp -d)
cat >"$fake/xdg-open" <<'SH'
#!/bin/sh
printf '%s\n' "$1" >>"$(dirname "$0")/opened"
SH
chmod +x "$fake/xdg-open"
PATH="$fake:$PATH" start_program
pid=$program_pid
main=$(window_of "$pid" Orvenna) || fail "no window Orvenna"
activate "$main"
xdotool key ctrl+a
about=$(window_of "$pid" "Orvenna About" 10) || fail "Ctrl+A did not show About"
activate "$about"
xdotool mousemove 1000 900
sleep 0.3
shot about

# Tab from OK to the web button, Enter presses it.
xdotool key Tab Return
timeout 30 bash -c "until [ -s '$fake/opened' ]; do sleep 0.2; done" || fail "the browser was not asked"
grep -q '^https://' "$fake/opened" || fail "opened $(cat "$fake/opened")"
xwininfo -id "$about" | grep -q IsViewable || fail "About closed after the web button"

activate "$about"
xdotool key Escape
window_gone "$about" || fail "Esc did not close About"
kill -0 "$pid" || fail "the program ended with About"
rm -rf "$fake"
echo "PASS"
