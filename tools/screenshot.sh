#!/usr/bin/env bash
# The README's picture of the main window: runs the end-to-end scenario
# login-copy (a newcomer's start on a virtual display: the sample user's
# password at the prompt, a record shown) and copies its picture of the main
# window, cropped to the window and its frame.
#
#   tools/screenshot.sh [output.png]     (default docs/screenshot.png)
#
# Needs the normal build and the packages of QPM_E2E_PACKAGES (tools/deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs/screenshot.png}")
tools/e2e/run.sh login-copy
cp build/e2e/login-copy/main-window.png "$out"
echo "Screenshot: $out"
