#!/usr/bin/env bash
# The master password changed through File > Change User Password: the old
# password no longer opens the stored file, the new one does, also at the
# next start's prompt.
. "$(dirname "$0")/../lib.sh"
NEW_PASSWORD=Fresh-Pass-2741
e2e_setup
start_program
login

step "change the password (Ctrl+G, Yes, the new password twice)"
focus "$MAIN"
keys ctrl+g
answer_message y
dialog=$(wait_window '^Change User Password$')
focus "$dialog"
type_text "$NEW_PASSWORD"
keys Tab
type_text "$NEW_PASSWORD"
shot new-password-typed
# Enter in the confirmation box is that box's: Tab on to Ok.
keys Tab Return
wait_window "$MESSAGE_TITLE" 10 >/dev/null ||
    fail "no message after Ok in the change password dialog"
shot password-changed
answer_message Return
wait_window_gone '^Change User Password$'
exit_program

step "the old password no longer opens the file, the new one does"
dump_user "$SAMPLE_PASSWORD" >/dev/null
code=$?
[ $code -eq 2 ] || fail "the old password still opens the stored file (qpm_dump_user status $code)"
dump_user "$NEW_PASSWORD" | grep -q $'\tExample forum\t' || fail "the new password does not open the stored file"

step "restart: the prompt refuses the old password and takes the new one"
start_program
answer_password "$SAMPLE_PASSWORD"
wait_window "$MESSAGE_TITLE" 10 >/dev/null
answer_message Return
dialog=$(wait_window '^Enter password$' 5)
focus "$dialog"
keys ctrl+a
type_text "$NEW_PASSWORD"
keys Return
wait_window_gone '^Enter password$'
MAIN=$(wait_window "^$MAIN_TITLE\$")
wait_tree_shown
shot logged-in-with-new-password
exit_program
pass
