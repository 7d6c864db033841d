#!/usr/bin/env bash
# e2e: waits a minute for the inactivity lock
# The inactivity lock at 1 minute outside tray mode: the lock minimises the
# main window (hidden, it would have no way back) and empties it; restoring
# the window asks the password, which brings the tree back.
. "$(dirname "$0")/../lib.sh"
e2e_setup
preset_options 11=1 12=0
start_program
login
shot logged-in

step "wait without input for the lock"
iconic() { [ "$(wm_state "$MAIN")" = Iconic ] || ! program_running; }
await_lock iconic 1
program_running || fail "the program ended at the lock"
shot locked
viewable "$MAIN" && fail "the locked window is still on the screen"
dump_user "$SAMPLE_PASSWORD" | grep -q $'\tExample forum\t' || fail "the user file does not open after the lock's save"

step "restore the window: the password prompt comes"
xdotool windowactivate "$MAIN" 2>/dev/null || xdotool windowmap "$MAIN"
wait_window '^Enter password$' >/dev/null
shot prompt
unlock_with_password
[ "$(wm_state "$MAIN")" = Normal ] || fail "the window is \"$(wm_state "$MAIN")\" after the password, not Normal"
check_unlocked_and_exit
