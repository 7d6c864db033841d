#!/usr/bin/env bash
# View > Always on Top switched on and off again keeps the main window's
# size, and the geometry lines of config.dat (options 16-19: width, height,
# left, top in twips) are sane after the exit.
. "$(dirname "$0")/../lib.sh"
e2e_setup
start_program
login
read -r width height _ <<<"$(client_geometry "$MAIN")"
at_login=$(for n in 16 17 18 19; do option $n; done | paste -sd' ')

# Alt opens the menu bar; View is the second menu, Always on Top its third
# item (after Toolbar and Status Bar).
toggle_on_top() {
    focus "$MAIN"
    keys alt Right Down
    wait_for 5 popup_open || fail "the View menu did not open"
    keys Down Down Return
}

# The window may be made anew for the flag: it is looked up again, and its
# size is awaited while the window manager places it.
check_size() {
    MAIN=$(wait_window "^$MAIN_TITLE\$")
    if ! wait_for 5 same_size; then
        local w h
        read -r w h _ <<<"$(client_geometry "$MAIN")"
        fail "with Always on Top $1 the main window is ${w}x$h; it was ${width}x$height before"
    fi
}

same_size() {
    local w h
    read -r w h _ <<<"$(client_geometry "$MAIN")"
    [ "$w" = "$width" ] && [ "$h" = "$height" ]
}

above() { xprop -id "$MAIN" _NET_WM_STATE 2>/dev/null | grep -q _NET_WM_STATE_ABOVE; }

step "switch Always on Top on"
toggle_on_top
check_size on
shot on-top
above || fail "the window manager was not asked to keep the window above others"

step "switch Always on Top off"
toggle_on_top
check_size off
shot not-on-top
above && fail "the window is still kept above others"

exit_program

step "config.dat's geometry is sane"
read -r w h left top <<<"$(for n in 16 17 18 19; do option $n; done | paste -sd' ')"
for v in "$w" "$h" "$left" "$top"; do
    [[ $v =~ ^-?[0-9]+$ ]] || fail "options 16-19 are \"$w\" \"$h\" \"$left\" \"$top\": \"$v\" is no whole number"
done
# Twips at 15 per pixel: a window no smaller than what it showed, inside the
# screen.
[ $((w / 15)) -ge "$width" ] && [ $((h / 15)) -ge "$height" ] ||
    fail "options 16-19 are $w $h $left $top: a ${width}x$height window is stored as $((w / 15))x$((h / 15)) px"
[ "$left" -ge 0 ] && [ $((left / 15)) -lt $SCREEN_W ] && [ "$top" -ge 0 ] && [ $((top / 15)) -lt $SCREEN_H ] ||
    fail "options 16-19 are $w $h $left $top: the window's place is off the ${SCREEN_W}x$SCREEN_H screen"
[ "$w $h $left $top" = "$at_login" ] ||
    fail "options 16-19 are $w $h $left $top after the exit, $at_login at the login, with the window unchanged"
pass
