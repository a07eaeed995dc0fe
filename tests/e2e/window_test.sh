#!/usr/bin/env bash
# Starts the demo on the current X display and drives it like a viewer would.
# Usage: window_test.sh SCENARIO BINARY   (run from the repository root)
#   escape-closes:            the window opens as "Lanternfall", the title then shows
#                             the frame rate, Escape ends the program with status 0.
#   free-flight-keeps-running: C and a held W keep the program running; Escape still
#                             ends it with status 0.
set -uo pipefail

scenario=$1
binary=$2
fpsTitle='^Lanternfall FPS: [0-9]+ Elapsed time: [0-9]+\.[0-9]{6} seconds$'

if [[ -z "${DISPLAY:-}" ]] || ! command -v xdotool >/dev/null; then
    echo "SKIP: needs an X display and xdotool"
    exit 77
fi

fail() {
    echo "FAIL: $*"
    kill "$demo" 2>/dev/null
    wait "$demo" 2>/dev/null
    exit 1
}

# Polls until the demo's window has a title matching the pattern; prints the window.
await_title() {
    local pattern=$1 deadline=$((SECONDS + 60)) id name
    while ((SECONDS < deadline)); do
        kill -0 "$demo" 2>/dev/null || return 1
        for id in $(xdotool search --pid "$demo" --name 'Lanternfall' 2>/dev/null); do
            name=$(xdotool getwindowname "$id" 2>/dev/null) || continue
            if [[ "$name" =~ $pattern ]]; then
                echo "$id"
                return 0
            fi
        done
        sleep 0.05
    done
    return 1
}

send_keys() {
    xdotool windowfocus --sync "$window" && xdotool "$@"
}

await_exit() {
    local deadline=$((SECONDS + 60))
    while kill -0 "$demo" 2>/dev/null; do
        ((SECONDS < deadline)) || fail "the demo did not exit after Escape"
        sleep 0.1
    done
    wait "$demo"
    status=$?
    [[ $status -eq 0 ]] || fail "the demo exited with status $status"
}

"$binary" &
demo=$!

window=$(await_title '^Lanternfall$') || fail "no window titled \"Lanternfall\""
echo "window $window opened as \"Lanternfall\""
window=$(await_title "$fpsTitle") || fail "the title never showed the frame rate"
echo "title: $(xdotool getwindowname "$window")"

case "$scenario" in
escape-closes) ;;
free-flight-keeps-running)
    send_keys key c || fail "could not send C"
    send_keys keydown w || fail "could not hold W"
    sleep 1
    send_keys keyup w || fail "could not release W"
    sleep 1
    kill -0 "$demo" 2>/dev/null || fail "the demo stopped after C and W"
    echo "still running after C and W"
    ;;
*)
    fail "unknown scenario $scenario"
    ;;
esac

send_keys key Escape || fail "could not send Escape"
await_exit
echo "PASS: $scenario"
