#!/usr/bin/env bash
# Starts the real program as a newcomer would, on a virtual X display, with
# its home, XDG folders, registry and system folder under build/screenshot/:
# installs the library with Register, answers the start's password prompt for
# the sample user and saves a screenshot of the main window.
#
#   tools/screenshot.sh [output.png]     (default build/screenshot/main.png)
#
# Needs a built program folder (build/bin) and the packages xvfb, xauth,
# xdotool and imagemagick (test.sh installs them). Exits non-zero when the
# program does not come up or the login does not reach the main window.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/screenshot/main.png}")
root=$PWD/build/screenshot
bin=$PWD/build/bin

rm -rf "$root/home" "$root/runtime" "$root/system" "$root/registry"
mkdir -p "$root/home" "$root/runtime" "$root/system" "$root/registry" "$(dirname "$out")"
chmod 700 "$root/runtime"
export HOME=$root/home
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_RUNTIME_DIR=$root/runtime
export QUELLON_SYSTEM_DIR=$root/system QUELLON_REGISTRY_ROOT=$root/registry
export LANG=C.UTF-8 QT_QPA_PLATFORM=xcb
unset QUELLON_CODEPAGE

"$bin/Register"
xvfb-run -a -s "-screen 0 1100x760x24" "$PWD/tools/screenshot-session.sh" "$bin/QuellonPasswordMngr" "$out" \
    "$root/program.log"
echo "Screenshot: $out"
