#!/usr/bin/env bash
# The real program starts and maps its window; only one copy runs at a time.
source "$(dirname "$0")/lib.sh"
desktop_start

start_app
first=$APP_PID
main=$(wait_window Orvenna 15) || true
[ -n "$main" ] || fail "main window not mapped"
activate "$main"
shot startup
pass "main window mapped"

# A second copy: only the warning box, and it ends when the box is closed.
expect_second_copy_refused second-copy
alive "$first" || fail "first copy was disturbed"
[ -n "$(wait_window Orvenna 10)" ] || fail "first copy's window is gone"
pass "second copy refused"

# A copy killed with -9 does not block the next start.
kill -9 "$first"
wait_exit "$first" 5
start_app
third=$APP_PID
[ -n "$(wait_window Orvenna 15)" ] || fail "no window after the previous copy was killed"
pass "killed copy's lock taken over"
kill -9 "$third"; wait_exit "$third" 5

# Several copies started at the same instant: each shows a window, and exactly one of
# them is a main window (the others show their warning).
racers=()
for i in 1 2 3 4 5; do launch_app; racers+=("$APP_PID"); done
# One whose X connection was refused is started again, a little later.
for i in "${!racers[@]}"; do APP_PID=${racers[i]}; ensure_app_up; racers[i]=$APP_PID; done
all_shown() {
  local p
  for p in "${racers[@]}"; do [ -n "$(visible_windows_of "$p")" ] || return 1; done
}
wait_until 15 all_shown || fail "not every copy of the race showed a window"
mains=$(xdotool search --onlyvisible --name '^Orvenna$' 2>/dev/null | wc -l)
[ "$mains" -eq 1 ] || fail "$mains main windows after a race"
pass "race left one main window"
