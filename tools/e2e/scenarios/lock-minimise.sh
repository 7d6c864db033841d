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
tree_blank || fail "while the password is asked the main window still shows the tree"
answer_password "$SAMPLE_PASSWORD"
wait_window_gone '^Enter password$'
MAIN=$(wait_window "^$MAIN_TITLE\$")
[ "$(wm_state "$MAIN")" = Normal ] || fail "the window is \"$(wm_state "$MAIN")\" after the password, not Normal"
wait_tree_shown
step "the database is back: a record's password can be copied"
click_row 3
keys Right
sleep 0.3
click_row 4
shot unlocked
password=$(copy_from_value_box 1)
[ "$password" = "Forum-Demo-4821" ] || fail "after the unlock Example forum's Copy Password gave \"$password\""
exit_program
pass
