# Sourced by each scenario of the end-to-end suite: a private X display under
# openbox, a fresh home for the program, and the steps a scenario is made of.
# A scenario is a script in scenarios/ that sources this file and calls
# e2e_setup first; its folder OUT (default build/e2e/<scenario>) holds what it
# leaves: result, steps.log, program.log and its screenshots.
# Every wait has a deadline; a step that does not happen ends the scenario
# through fail, which leaves a screenshot of the whole display and the
# program's log in OUT.

set -uo pipefail
E2E_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
NAME=$(basename "$0" .sh)
OUT=${OUT:-$E2E_ROOT/build/e2e/$NAME}
BIN=$E2E_ROOT/build/bin
DUMP=$E2E_ROOT/build/tools/qpm_dump_user
SAMPLE_USER=SampleUser
SAMPLE_PASSWORD=58203716
MAIN_TITLE='Norvask Quellon Password Manager'
SCREEN_W=1100
SCREEN_H=760

PIDS_TO_END=()
PROGRAM_PID=
STEP=
SHOTS=0

# ---- outcome ----

# Ends the scenario as failed: the message, a screenshot and the log. Also
# from inside a command substitution: the scenario's own shell is told.
fail() {
    local shot=$OUT/failure.png
    if [ ! -s "$OUT/result" ]; then
        import -window root "$shot" 2>/dev/null || shot="(no screenshot: the display is gone)"
        printf 'FAIL at step "%s": %s (screenshot: %s, program log: %s)\n' "$STEP" "$*" "$shot" \
            "$OUT/program.log" >"$OUT/result"
    fi
    [ "$BASHPID" != "$$" ] && kill -USR1 $$
    exit 1
}
trap 'exit 1' USR1
# A time-out's TERM still runs the clean-up (the EXIT trap).
trap 'fail "the scenario was stopped (time-out)"' TERM

pass() {
    echo "PASS" >"$OUT/result"
    exit 0
}

step() {
    STEP=$*
    echo "[$(date +%T)] $STEP" >>"$OUT/steps.log"
}

# A screenshot of the whole display, kept in OUT under a numbered name.
shot() {
    SHOTS=$((SHOTS + 1))
    import -window root "$OUT/$(printf '%02d' $SHOTS)-$1.png" 2>/dev/null || true
}

# ---- the display and the home ----

e2e_cleanup() {
    echo "$SECONDS" >"$OUT/seconds"
    local pid
    for pid in $PROGRAM_PID "${PIDS_TO_END[@]}"; do
        [ -n "$pid" ] && kill "$pid" 2>/dev/null
    done
    for pid in $PROGRAM_PID "${PIDS_TO_END[@]}"; do
        [ -n "$pid" ] && wait "$pid" 2>/dev/null
    done
    return 0
}

# The folders of a newcomer's home, the program's environment, Register's
# install into a fresh system folder, and a display with its window manager.
e2e_setup() {
    rm -rf "$OUT"
    mkdir -p "$OUT/home" "$OUT/runtime" "$OUT/system" "$OUT/registry"
    chmod 700 "$OUT/runtime"
    : >"$OUT/steps.log"
    export HOME=$OUT/home
    export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_RUNTIME_DIR=$OUT/runtime
    export QUELLON_SYSTEM_DIR=$OUT/system QUELLON_REGISTRY_ROOT=$OUT/registry
    export LANG=C.UTF-8 QT_QPA_PLATFORM=xcb
    unset QUELLON_CODEPAGE LC_ALL LC_CTYPE
    DATA_DIR=$XDG_DATA_HOME/QuellonPM
    CONFIG=$DATA_DIR/config.dat
    USER_FILE=$DATA_DIR/DataBases/$SAMPLE_USER.vdb
    trap e2e_cleanup EXIT

    step "install the library with Register"
    "$BIN/Register" >"$OUT/register.log" 2>&1 || fail "Register failed: $(cat "$OUT/register.log")"

    step "start a virtual display"
    # Xvfb picks a free display number itself and writes it to the pipe, so
    # scenarios started together never race for one.
    local fifo=$OUT/display.fifo
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 ${SCREEN_W}x${SCREEN_H}x24 -nolisten tcp 3>"$fifo" >"$OUT/xvfb.log" 2>&1 &
    PIDS_TO_END+=($!)
    local number
    read -r -t 15 number <"$fifo" || fail "Xvfb did not start: $(cat "$OUT/xvfb.log")"
    rm -f "$fifo"
    export DISPLAY=:$number

    step "start openbox"
    openbox --sm-disable >"$OUT/openbox.log" 2>&1 &
    PIDS_TO_END+=($!)
    wait_for 10 wm_running || fail "openbox did not take the display"
}

wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# Writes the options file and the sample user before the first start, as a
# first start would have made them, with some options changed:
#   preset_options N=VALUE ...   (N the line number of the option)
preset_options() {
    mkdir -p "$DATA_DIR/DataBases"
    cp "$BIN/SampleUser.vdb" "$USER_FILE"
    local -a lines
    local set
    mapfile -t lines < <(tr -d '\r' <"$BIN/start.dat")
    lines[4]=$DATA_DIR/DataBases
    for set in "$@"; do lines[$((${set%%=*} - 1))]=${set#*=}; done
    printf '%s\r\n' "${lines[@]}" >"$CONFIG"
}

# The option N of config.dat as it is on disk.
option() { tr -d '\r' <"$CONFIG" | sed -n "${1}p"; }

# ---- the program ----

start_program() {
    step "start the program"
    "$BIN/QuellonPasswordMngr" >>"$OUT/program.log" 2>&1 &
    PROGRAM_PID=$!
}

program_running() { [ -n "$PROGRAM_PID" ] && kill -0 "$PROGRAM_PID" 2>/dev/null; }

# Waits up to $1 seconds for the program to end by itself; fails otherwise.
wait_program_end() {
    local deadline=$((SECONDS + $1))
    while program_running; do
        [ $SECONDS -ge $deadline ] && fail "the program is still running $1 s after it was told to exit"
        sleep 0.1
    done
    wait "$PROGRAM_PID"
    local code=$?
    PROGRAM_PID=
    [ $code -eq 0 ] || fail "the program ended with exit status $code"
}

# Runs a test command until it succeeds or $1 seconds have passed.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.1
    done
}

# The newest visible window of the program whose title matches, or nothing.
find_window() {
    xdotool search --all --onlyvisible --pid "$PROGRAM_PID" --name "$1" 2>/dev/null | tail -n 1
}

# Waits for a visible window of the program whose title matches the
# regular expression and prints its id; fails after $2 seconds (default 30).
wait_window() {
    local name=$1 timeout=${2:-30} id
    local deadline=$((SECONDS + timeout))
    while :; do
        program_running || fail "the program ended while a window \"$name\" was awaited"
        id=$(find_window "$name")
        [ -n "$id" ] && { echo "$id"; return 0; }
        [ $SECONDS -ge $deadline ] && fail "no window \"$name\" appeared within $timeout s"
        sleep 0.1
    done
}

# Waits until no visible window of the program matches.
wait_window_gone() {
    local name=$1 timeout=${2:-30}
    wait_for "$timeout" window_absent "$name" || fail "the window \"$name\" is still open after $timeout s"
}

window_absent() { [ -z "$(find_window "$1")" ]; }

# Message boxes have no title of their own: they show the program's name.
MESSAGE_TITLE='^QuellonPasswordMngr$'

# Gives a window the keyboard focus. xdotool's --sync waits without a limit
# of its own, so each try is bounded.
focus() {
    timeout 5 xdotool windowactivate --sync "$1" 2>/dev/null ||
        timeout 5 xdotool windowfocus --sync "$1" 2>/dev/null || true
    # The window manager hands over the focus asynchronously.
    wait_for 10 focused "$1" || fail "window $1 did not get the keyboard focus"
}

focused() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }

# Types into the focused window: keys are sent through the X server, as a
# person's would be. Only for ASCII: xdotool types other letters by remapping
# a spare key for each one, and the program may read the key after the map
# was put back, which drops letters. Those texts go in with paste_text.
type_text() { xdotool type --delay 25 -- "$1"; }
keys() { xdotool key --delay 40 "$@"; }

# Pastes a text into the focused box through the clipboard (Ctrl+V).
paste_text() {
    printf '%s' "$1" | xclip -selection clipboard -i
    wait_for 5 clipboard_holds "$1" || fail "xclip could not put \"$1\" on the clipboard"
    keys ctrl+v
}

clipboard_holds() { [ "$(clipboard)" = "$1" ]; }

# Answers the password prompt: waits for it, types the password, Enter.
answer_password() {
    local dialog
    dialog=$(wait_window '^Enter password$')
    focus "$dialog"
    type_text "$1"
    keys Return
}

# Logs in with the password and waits until the main window shows the tree.
login() {
    step "log in to $SAMPLE_USER"
    answer_password "${1:-$SAMPLE_PASSWORD}"
    wait_window_gone '^Enter password$'
    MAIN=$(wait_window "^$MAIN_TITLE\$")
    wait_tree_shown
}

# Answers a message box with the key of one of its buttons (y, n, Return).
answer_message() {
    local box
    box=$(wait_window "$MESSAGE_TITLE")
    focus "$box"
    keys "$1"
    wait_for 10 window_gone_id "$box" || fail "the message box did not close on \"$1\""
}

window_gone_id() { ! xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }

# Exits through File > Exit (Ctrl+E) and its question, and waits for the end.
exit_program() {
    step "exit the program (Ctrl+E, Yes)"
    focus "$MAIN"
    keys ctrl+e
    answer_message y
    wait_program_end 20
}

# ---- the main window's tree ----

# The client window's size and position on the screen: W H X Y.
client_geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
        /^ *Width:/ {w=$2} /^ *Height:/ {h=$2} END {print w, h, x, y}'
}

# The tree's selection band: the rows of one pixel column of the tree whose
# colour is the selection's blue. Sets ROW_TOP and ROW_H (window pixels).
TREE_X=190
selection_band() {
    local img=$OUT/.band.png band
    import -window "$MAIN" "$img" 2>/dev/null || return 1
    band=$(convert "$img" -crop "1x400+$TREE_X+0" +repage txt:- 2>/dev/null | awk -F'[ ,:()]+' '
        /^[0-9]/ { y = $2; r = $3; g = $4; b = $5
                   if (b > 150 && r < 90 && g > 100 && g < 170) { if (top == "") top = y; last = y } }
        END { if (top != "") print top, last - top + 1 }')
    [ -n "$band" ] || return 1
    read -r ROW_TOP ROW_H <<<"$band"
    [ "$ROW_H" -ge 12 ] && [ "$ROW_H" -le 40 ]
}

# After a login the root row is selected: its band gives the tree's first
# row and the row height, from which every row is found.
wait_tree_shown() {
    wait_for 20 selection_band || fail "the main window shows no tree with its root selected"
    TREE_TOP=$ROW_TOP
}

# The window y of the middle of visible row $1 (0 = the root).
row_y() { echo $((TREE_TOP + ROW_H * $1 + ROW_H / 2)); }

# True when the tree's rows (the first seven, left of the selection column)
# are blank: no node text, icon or selection.
tree_blank() {
    local img=$OUT/.tree.png mean
    import -window "$MAIN" "$img" 2>/dev/null || return 1
    mean=$(convert "$img" -crop "$((TREE_X - 20))x$((ROW_H * 7))+20+$TREE_TOP" +repage -colorspace Gray \
        -format '%[fx:mean]' info: 2>/dev/null)
    [ "$mean" = 1 ]
}

click_row() {
    xdotool mousemove --window "$MAIN" "$TREE_X" "$(row_y "$1")" click 1
    sleep 0.2
}

# The lock's password prompt is up over the main window: the tree behind it
# must be blank; the sample user's password goes in, and MAIN is the main
# window again once the prompt is gone.
unlock_with_password() {
    tree_blank || fail "while the password is asked the main window still shows the tree"
    answer_password "$SAMPLE_PASSWORD"
    wait_window_gone '^Enter password$'
    MAIN=$(wait_window "^$MAIN_TITLE\$")
}

# After an unlock the tree is back, and Example forum's password copies as it
# did before the lock; then the program exits and the scenario passes.
check_unlocked_and_exit() {
    wait_tree_shown
    step "the database is back: a record's password can be copied"
    click_row 3
    keys Right
    sleep 0.3
    click_row 4
    shot unlocked
    local password
    password=$(copy_from_value_box 1)
    [ "$password" = "Forum-Demo-4821" ] || fail "after the unlock Example forum's Copy Password gave \"$password\""
    exit_program
    pass
}

# ---- the clipboard and the stored file ----

# What the clipboard holds; bounded, since reading it waits on its owner.
clipboard() { timeout 5 xclip -selection clipboard -o 2>/dev/null; }

# Copies a field of the record shown in the value box through its popup
# menu: $1 is the item's place in the menu (1 password, 2 login, 3 title, 4
# description). Prints what the clipboard then holds. The clipboard holds a
# mark before, so the copy is seen when it lands, and a copy that never comes
# is told from one of an empty field.
VALUE_X=400
VALUE_Y=200
CLIPBOARD_MARK='(nothing copied yet)'
copy_from_value_box() {
    printf '%s' "$CLIPBOARD_MARK" | xclip -selection clipboard -i
    wait_for 5 clipboard_holds "$CLIPBOARD_MARK" || fail "xclip could not put a mark on the clipboard"
    xdotool mousemove --window "$MAIN" "$VALUE_X" "$VALUE_Y" click 3
    wait_for 5 popup_open || fail "the value box's popup menu did not open"
    local i
    for ((i = 0; i < $1; i++)); do keys Down; done
    keys Return
    wait_for 5 clipboard_changed || fail "item $1 of the value box's popup menu put nothing on the clipboard"
    clipboard
}

clipboard_changed() { ! clipboard_holds "$CLIPBOARD_MARK"; }

# A popup menu of the program is open (an override-redirect window).
popup_open() {
    local id
    for id in $(xdotool search --all --onlyvisible --pid "$PROGRAM_PID" --name '' 2>/dev/null); do
        xwininfo -id "$id" 2>/dev/null | grep -q 'Override Redirect State: yes' && return 0
    done
    return 1
}

# The rows of the stored user file under the password (see qpm_dump_user);
# the status is the tool's.
dump_user() { "$DUMP" "${2:-$USER_FILE}" "$1"; }

# A field of the stored row whose title is $2: $1 is the column number
# (1 IndNum, 2 Parent, 3 Type, 4 Title, 5 Login, 6 Password, 7 Description).
stored_field() {
    dump_user "${3:-$SAMPLE_PASSWORD}" | awk -F'\t' -v col="$1" -v title="$2" 'NR > 1 && $4 == title { print $col }'
}

# ---- screenshots of one window ----

# The window manager's frame around a client window: its ancestor just below
# the root window (the client itself without a window manager).
frame_of() {
    local id=$1 parent root
    root=$(xwininfo -root | awk '/Window id:/ {print $4}')
    while :; do
        parent=$(xwininfo -tree -id "$id" 2>/dev/null | awk '/Parent window id:/ {print $4}')
        [ -z "$parent" ] || [ "$((parent))" -eq "$((root))" ] && break
        id=$parent
    done
    echo "$id"
}

# A picture of the window with its frame (title bar and borders), cut from
# the screen so that whatever lies over it is what the user sees.
window_shot() {
    local frame geometry
    frame=$(frame_of "$1")
    geometry=$(xwininfo -id "$frame" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
        /^ *Width:/ {w=$2} /^ *Height:/ {h=$2} END {printf "%dx%d+%d+%d", w, h, x, y}')
    import -window root -crop "$geometry" +repage "$2"
}

# ---- the window's state ----

# The ICCCM state the window manager gives a client: Normal, Iconic
# (minimised) or Withdrawn (hidden); "" when the window has none.
wm_state() { xprop -id "$1" WM_STATE 2>/dev/null | awk '/window state:/ {print $3}'; }

viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }

# ---- the inactivity lock ----

# The lock comes after more than the lock time (option 11, whole minutes)
# without input to the program. The program's clock is its own monotonic
# one, which no outside tool can move forward without faking the program's
# every timer too, so this waits out the real minute: no input may reach the
# display meanwhile. Prints nothing; fails when $1 (a test) is not true
# within the time.
await_lock() {
    local test=$1 minutes=$2
    local limit=$((minutes * 60 + 30))
    wait_for "$limit" "$test" || fail "no lock within $limit s without input (lock time $minutes min)"
}
