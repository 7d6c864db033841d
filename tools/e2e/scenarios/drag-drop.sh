#!/usr/bin/env bash
# A record dragged with the mouse from its folder onto another folder: the
# drop writes the user file at once, with the record's new parent.
. "$(dirname "$0")/../lib.sh"
e2e_setup
start_program
login

step "open the folder Internet"
click_row 3
keys Right
sleep 0.3
# Rows: 0 the user, 1 Money and shopping, 2 Mail, 3 Internet, 4 Example
# forum, 5 Home router, 6 Read me.
[ "$(stored_field 2 "Example forum")" = 1 ] || fail "the sample's Example forum is not in Internet to begin with"

step "drag Example forum onto the folder Mail"
from=$(row_y 4)
to=$(row_y 2)
xdotool mousemove --window "$MAIN" "$TREE_X" "$from" mousedown 1
# In small steps, as a hand moves: past the drag distance, then over the
# rows in between to the target.
for ((y = from - 2; y >= to; y -= 3)); do
    xdotool mousemove --window "$MAIN" "$((TREE_X - 40))" "$y"
    sleep 0.03
done
sleep 0.3
shot over-target
xdotool mouseup 1

step "the stored file has Example forum under Mail"
moved() { [ "$(stored_field 2 "Example forum")" = 2 ]; }
wait_for 10 moved || fail "after the drop the stored Example forum has the parent \"$(stored_field 2 "Example forum")\", not 2 (Mail)"
shot dropped
exit_program
[ "$(stored_field 2 "Example forum")" = 2 ] || fail "after the exit the stored Example forum is no longer under Mail"
pass
