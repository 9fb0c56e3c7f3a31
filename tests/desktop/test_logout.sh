#!/usr/bin/env bash
# Logging out of an X session with a session manager: the program asks its close
# question; No cancels the log-out and the program stays; a log-out while one of its
# boxes is open is refused without a second question; Yes lets the log-out end it.
source "$(dirname "$0")/lib.sh"
: "${ORVENNA_TEST_TOOLS:?the folder of the helper programs}"
desktop_start

# The session's ICE authority file is ours alone (there is none: clients on the local
# socket are taken as they are).
export ICEAUTHORITY="$WORK/iceauthority"
# The session manager reads its commands from a pipe held open here; closing it ends
# the manager (its socket goes with it, or with the file left by a manager killed).
mkfifo "$WORK/sm.in"
exec 3<>"$WORK/sm.in"
sm_listens() { grep -q '^SESSION_MANAGER=' "$WORK/sm.log"; }
# Nothing started from here keeps the pipe open but this shell (3>&-).
start_helper sm 10 sm_listens "$ORVENNA_TEST_TOOLS/session_manager" "$WORK/sm.in" 3>&-
SM_PID=$HELPER_PID
end_session_manager() {
  exec 3>&- || true
  wait_exit "$SM_PID" 5 || true
  rm -f "/tmp/.ICE-unix/$SM_PID"
  desktop_cleanup
}
trap end_session_manager EXIT
SESSION_MANAGER=$(sed -n "s/^SESSION_MANAGER=//p" "$WORK/sm.log" | tail -1)
export SESSION_MANAGER

sm_says() { grep -qx "$1" "$WORK/sm.log"; }
logout() { echo logout >&3; }
questions() { xdotool search --onlyvisible --name '^Close Orvenna$' 2>/dev/null || true; }
main_shown() { xdotool search --onlyvisible --name '^Orvenna$' 2>/dev/null | grep -qx "$main"; }
# Waits for the close question, answers it with a key (Escape is No, Return Yes) and
# waits until it is gone.
answer_question() {
  local question
  question=$(wait_window "Close Orvenna" 10) || true
  [ -n "$question" ] || fail "no close question ($2)"
  [ -z "${3:-}" ] || shot "$3"
  activate "$question"
  xdotool key "$1"
  wait_until 5 eval '[ -z "$(questions)" ]' || fail "the question stayed after $1 ($2)"
}

start_app 3>&-
app=$APP_PID
main=$(wait_window Orvenna 15) || true
[ -n "$main" ] || fail "main window not mapped"
wait_until 10 sm_says "registered 1" || fail "the program did not join the session: $(cat "$WORK/sm.log")"

# A log-out asks; No cancels it for the whole session.
logout
answer_question Escape "on log-out" logout-question
wait_until 10 sm_says "logout 1: cancelled" || fail "No did not cancel the log-out: $(cat "$WORK/sm.log")"
sm_says "logout 1: interact-done cancel=1" || fail "the program did not say it cancelled: $(cat "$WORK/sm.log")"
alive "$app" || fail "No ended the program"
wait_until 5 main_shown || fail "No closed the window"
pass "log-out asks; No cancels it and the program stays"

# A log-out while the close question of Ctrl+C is open: refused at once, no second
# question; the open question still answers.
activate "$main"
xdotool key ctrl+c
[ -n "$(wait_window "Close Orvenna" 10)" ] || fail "no question after Ctrl+C"
logout
wait_until 10 sm_says "logout 2: cancelled" || fail "a log-out with a box open was not refused: $(cat "$WORK/sm.log")"
sm_says "logout 2: interact normal" && fail "a second question was asked during the first"
[ "$(questions | wc -l)" -eq 1 ] || fail "not exactly one question open"
answer_question Escape "after the refused log-out"
alive "$app" || fail "No to the open question ended the program"
wait_until 5 main_shown || fail "No to the open question closed the window"
pass "log-out while a box is open is refused; the box stays"

# Yes lets the log-out end the program.
logout
answer_question Return "on the last log-out"
wait_until 10 sm_says "logout 3: ended" || fail "Yes did not let the log-out go on: $(cat "$WORK/sm.log")"
sm_says "logout 3: interact-done cancel=1" && fail "Yes cancelled the log-out"
wait_exit "$app" 10 || fail "Yes did not end the program"
pass "log-out, Yes: the session ends and the program with it"
