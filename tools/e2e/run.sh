#!/usr/bin/env bash
# The end-to-end suite: the real program, as built in build/bin, driven
# through its windows on virtual X displays. Each scenario in scenarios/ runs
# on a display of its own under openbox, with a fresh home, folders and
# registry; the scenarios run side by side.
#
#   tools/e2e/run.sh [scenario ...]     (default: every scenario)
#
# Each scenario reports PASS or FAIL on a line of its own; a failure names
# the step that did not happen, a screenshot and the program's log (all
# under build/e2e/<scenario>/). The last line is "N passed, N failed"; the
# exit status is non-zero when any scenario failed.
#
# Needs the normal build (build/bin, build/tools/qpm_dump_user) and the
# packages of QPM_E2E_PACKAGES in tools/deps.sh. QPM_E2E_JOBS limits how many
# scenarios run at once (default 8).
set -uo pipefail
cd "$(dirname "$0")/../.."
here=$PWD/tools/e2e
root=$PWD/build/e2e

for need in build/bin/QuellonPasswordMngr build/bin/Register build/bin/SampleUser.vdb build/tools/qpm_dump_user; do
    [ -e "$need" ] || { echo "e2e: $need is missing: build first (cmake --build build)" >&2; exit 2; }
done
for need in Xvfb openbox trayer xdotool xclip xprop xwininfo import convert; do
    command -v "$need" >/dev/null || { echo "e2e: the command $need is missing (tools/deps.sh)" >&2; exit 2; }
done

if [ $# -gt 0 ]; then
    scenarios=("$@")
else
    # The scenarios that wait out the inactivity lock start first, so the
    # others run while they wait.
    mapfile -t scenarios < <(
        cd "$here/scenarios"
        grep -l '^# e2e: waits' ./*.sh | sed 's|^\./||; s|\.sh$||'
        grep -L '^# e2e: waits' ./*.sh | sed 's|^\./||; s|\.sh$||'
    )
fi
for name in "${scenarios[@]}"; do
    [ -x "$here/scenarios/$name.sh" ] || { echo "e2e: no scenario $name" >&2; exit 2; }
done

jobs=${QPM_E2E_JOBS:-8}
mkdir -p "$root"
declare -A running=()
passed=0 failed=0

report() {
    local name=$1 out=$root/$1 result seconds
    result=$(cat "$out/result" 2>/dev/null)
    seconds=$(cat "$out/seconds" 2>/dev/null || echo "?")
    if [ "$result" = "PASS" ]; then
        passed=$((passed + 1))
        printf 'PASS %s (%s s)\n' "$name" "$seconds"
    else
        failed=$((failed + 1))
        [ -n "$result" ] || result="FAIL: the scenario ended without a result (see $root/$name.console.log)"
        printf 'FAIL %s (%s s): %s\n' "$name" "$seconds" "${result#FAIL }"
    fi
}

wait_one() {
    local pid
    wait -n -p pid "${!running[@]}"
    report "${running[$pid]}"
    unset "running[$pid]"
}

start=$SECONDS
for name in "${scenarios[@]}"; do
    while [ ${#running[@]} -ge "$jobs" ]; do wait_one; done
    rm -rf "${root:?}/$name"
    mkdir -p "$root/$name"
    # A scenario bounds each of its own waits; the time-out only catches a
    # scenario that hangs in spite of them.
    OUT=$root/$name timeout --kill-after=10 300 "$here/scenarios/$name.sh" >"$root/$name.console.log" 2>&1 &
    running[$!]=$name
done
while [ ${#running[@]} -gt 0 ]; do wait_one; done

echo "End-to-end suite: $((SECONDS - start)) s; screenshots and logs in $root"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
