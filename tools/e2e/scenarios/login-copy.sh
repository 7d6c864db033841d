#!/usr/bin/env bash
# A newcomer's first start: the sample user's password at the prompt, a
# record opened in the tree, and its password copied to the clipboard from
# the value box's popup menu. The main window, cropped to itself, becomes
# main-window.png (the README's picture).
. "$(dirname "$0")/../lib.sh"
e2e_setup
start_program
login

step "open the folder Internet and select its record Example forum"
click_row 3
keys Right
sleep 0.3
shot tree-open
click_row 4
sleep 0.3
shot record-shown
window_shot "$MAIN" "$OUT/main-window.png"

step "copy the shown record's title and password from the value box"
title=$(copy_from_value_box 3)
[ "$title" = "Example forum" ] || fail "Copy Title gave \"$title\", not the selected record's title \"Example forum\""
password=$(copy_from_value_box 1)
stored=$(stored_field 6 "Example forum")
[ -n "$stored" ] || fail "the stored file has no record \"Example forum\""
[ "$password" = "$stored" ] || fail "Copy Password put \"$password\" on the clipboard; the record's password is \"$stored\""
[ "$password" = "Forum-Demo-4821" ] || fail "the record's password is \"$password\", not the sample's \"Forum-Demo-4821\""

exit_program
pass
