#!/usr/bin/env bash
# A record whose texts hold letters of the code page (1252) beyond ASCII,
# typed into the add record dialog: after a normal exit the stored file holds
# it under its folder, and after a restart the tree shows it again.
. "$(dirname "$0")/../lib.sh"
TITLE='Café Zürich'
LOGIN='süß.user'
PASSWORD='Grüße-Straße-19'
DESCRIPTION='Crème brûlée à la carte'

e2e_setup
start_program
login

step "add a record to the folder Internet (Insert on the folder)"
click_row 3
keys Insert
dialog=$(wait_window '^Add Record$')
focus "$dialog"
# The title box starts with the new record's default title, selected or not.
keys ctrl+a
paste_text "$TITLE"
keys Tab
paste_text "$LOGIN"
keys Tab
paste_text "$PASSWORD"
# Past the generator's button to the description, then on to Ok, the first
# of the two buttons below.
keys Tab Tab
paste_text "$DESCRIPTION"
keys Tab
shot dialog-filled
keys Return
wait_for 10 window_absent '^Add Record$' || fail "the add record dialog is still open after Enter on its Ok"
shot record-added
exit_program

step "the stored file holds the record under Internet"
row=$(dump_user "$SAMPLE_PASSWORD" | awk -F'\t' -v t="$TITLE" 'NR > 1 && $4 == t')
[ -n "$row" ] || fail "the stored file has no record titled \"$TITLE\" (its titles: $(dump_user "$SAMPLE_PASSWORD" |
    awk -F'\t' 'NR > 1 {printf "%s\"%s\"", (NR > 2 ? ", " : ""), $4}')). Enter on the button that Tab from the description box reaches closed the dialog without adding it: in the dialog's tab order that button is Cancel, not Ok (dialog-filled.png shows which one has the focus)"
IFS=$'\t' read -r _ parent type _ login password description _ <<<"$row"
[ "$parent" = 1 ] && [ "$type" = 2 ] || fail "the record has Parent \"$parent\" and Type \"$type\", not 1 (Internet) and 2"
[ "$login|$password|$description" = "$LOGIN|$PASSWORD|$DESCRIPTION" ] ||
    fail "the record's login, password, description are \"$login\", \"$password\", \"$description\"; typed were \"$LOGIN\", \"$PASSWORD\", \"$DESCRIPTION\" (a box out of the Tab order?)"

step "restart: the tree shows the record"
start_program
login
click_row 3
keys Right
sleep 0.3
# Internet's children: Example forum, Home router, then the new record.
click_row 6
shot after-restart
title=$(copy_from_value_box 3)
[ "$title" = "$TITLE" ] || fail "after the restart the record under Internet's last row is titled \"$title\", not \"$TITLE\""
exit_program
pass
