#!/usr/bin/env bash
# A wrong password at the start's prompt is refused with a message, and the
# user file stays byte for byte as it was, through the prompt's close and a
# normal exit.
. "$(dirname "$0")/../lib.sh"
e2e_setup
preset_options
before=$(sha256sum <"$USER_FILE")
start_program

step "type a wrong password at the prompt"
answer_password 12345678
box=$(wait_window "$MESSAGE_TITLE" 10)
shot wrong-password-message
answer_message Return
dialog=$(wait_window '^Enter password$' 5)

step "close the prompt with its close box (Alt+F4)"
focus "$dialog"
keys alt+F4
wait_window_gone '^Enter password$'
MAIN=$(wait_window "^$MAIN_TITLE\$")
shot nobody-logged-in
selection_band && fail "the main window shows a tree although the password was wrong"

exit_program

step "the user file is unchanged"
after=$(sha256sum <"$USER_FILE")
[ "$before" = "$after" ] || fail "the user file changed: sha256 $before before, $after after"
dump_user "$SAMPLE_PASSWORD" >/dev/null || fail "the right password no longer opens the user file"
pass
