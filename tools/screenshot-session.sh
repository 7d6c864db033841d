#!/usr/bin/env bash
# The part of tools/screenshot.sh that runs inside the virtual display:
#   screenshot-session.sh <program> <output.png> <log file>
set -euo pipefail
program=$1 out=$2 log=$3

"$program" >"$log" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

# Waits up to 30 s for a visible window of the program whose title matches.
wait_window() {
    local name=$1 id
    for _ in $(seq 300); do
        kill -0 "$pid" 2>/dev/null || { echo "the program ended early:" >&2; cat "$log" >&2; return 1; }
        id=$(xdotool search --all --onlyvisible --pid "$pid" --name "$name" 2>/dev/null | tail -n 1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    echo "no window \"$name\" appeared:" >&2
    cat "$log" >&2
    return 1
}

# The start asks the last user's password (the sample user, as start.dat has
# it): type it into the dialog and confirm.
dialog=$(wait_window '^Enter password$')
xdotool windowfocus --sync "$dialog"
sleep 0.3
xdotool type --delay 40 58203716
xdotool key Return

main=$(wait_window 'Norvask Quellon Password Manager')
sleep 0.5
# Open the first folder with the keyboard, then click its first record (the
# third row) so the value box shows the record's fields.
xdotool windowfocus --sync "$main"
xdotool key Down Right
sleep 0.3
xdotool mousemove --window "$main" 160 104 click 1
sleep 1
import -window root "$out"
