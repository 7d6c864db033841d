#!/usr/bin/env bash
# e2e: waits a minute for the inactivity lock
# Tray mode with a tray host on the display (trayer): the program puts its
# icon there; the lock at 1 minute hides the main window and leaves the
# icon, whose menu item Show brings the password prompt and then the tree.
. "$(dirname "$0")/../lib.sh"
e2e_setup
preset_options 11=1 12=1

step "start the tray host"
trayer --edge bottom --align right --widthtype request --height 32 --SetDockType true >"$OUT/trayer.log" 2>&1 &
PIDS_TO_END+=($!)
tray_up() { [ -n "$(xdotool search --onlyvisible --class trayer 2>/dev/null)" ]; }
wait_for 10 tray_up || fail "trayer did not come up"
TRAY=$(xdotool search --onlyvisible --class trayer | head -n 1)

start_program
login

step "the program's icon is in the tray"
# An icon of the program's own embedded in the tray host's window.
icon_window() {
    local id
    for id in $(xdotool search --all --pid "$PROGRAM_PID" --name '' 2>/dev/null); do
        [ "$(frame_of "$id")" = "$(frame_of "$TRAY")" ] && viewable "$id" && { echo "$id"; return 0; }
    done
    return 1
}
icon_shown() { ICON=$(icon_window); }
wait_for 10 icon_shown ||
    fail "the program put no icon into trayer (does Qt see no system tray? QSystemTrayIcon::isSystemTrayAvailable())"
shot icon-in-tray

step "wait without input for the lock"
hidden() { ! viewable "$MAIN" || ! program_running; }
await_lock hidden 1
program_running || fail "the program ended at the lock"
shot locked
[ "$(wm_state "$MAIN")" = Iconic ] && fail "in tray mode with an icon the lock minimised the window instead of hiding it"
icon_shown || fail "the tray icon is gone after the lock"

step "the icon's menu: Show brings the password prompt"
xdotool mousemove --window "$ICON" 4 4 click 3
wait_for 5 popup_open || fail "the tray icon's menu did not open on a right click"
shot tray-menu
keys Down Return
wait_window '^Enter password$' >/dev/null
shot prompt
unlock_with_password
check_unlocked_and_exit
