#!/usr/bin/env bash
# A stop signal sent to a script's own process reaches the tool it runs, which stops as on
# Ctrl-C, and nothing the script started is left running, its own X server included.
# Usage (from the repository root): script_signal_test.sh SCRIPT SIGNAL BUILD_DIR
#   SCRIPT:  record (the clip so far is playable) or timedemo (its report is marked partial)
#   SIGNAL:  INT or TERM, sent to the script; timeout: TERM sent to a timeout(1) around it,
#            which hands it on as when its time is up (to the script, then to the script's
#            process group) and ends with the script's status.
# The script runs without a display, so it starts a virtual one, against the built folder
# (LANTERNFALL_BUILD_DIR), whose build step then has nothing to do.
set -uo pipefail

script=$1
signal=$2
build=$3
root=$(pwd)
mp4_frames="$root/tests/e2e/mp4_frames.py"
# Five seconds of the gallery: far more than the few frames shown before the signal.
range=(--from 70 --to 75)
# Every process the script starts inherits it, so the ones left can be found.
marker=lanternfall-signal-test-$$-$RANDOM

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*"
    echo "--- the script's output:"
    cat "$work/out" 2>/dev/null
    exit 1
}

# The processes whose environment holds the marker, with their command lines.
marked() {
    local environ pid
    grep -lzx "SIGNAL_TEST_MARKER=$marker" /proc/[0-9]*/environ 2>/dev/null |
        while IFS= read -r environ; do
            pid=${environ#/proc/}
            pid=${pid%/environ}
            echo "$pid $(tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline")"
        done
}

case "$script" in
record) command=(scripts/record.sh "$work/clip.mp4" "${range[@]}") ;;
timedemo) command=(scripts/timedemo.sh "${range[@]}" --csv "$work/times.csv" --plot "$work/times.png") ;;
*) fail "unknown script $script" ;;
esac
wrapper=()
sent=$signal
if [[ "$signal" == timeout ]]; then
    wrapper=(timeout -s TERM 600)
    sent=TERM
fi

# Started as a shell starts a command in the foreground: SIGINT not ignored, as it would be
# for a plain background job.
(
    trap - INT
    exec env -u DISPLAY SIGNAL_TEST_MARKER="$marker" LANTERNFALL_BUILD_DIR="$build" ALSOFT_DRIVERS=null \
        "${wrapper[@]}" bash "${command[@]}"
) >"$work/out" 2>&1 &
started=$!

# Waits until the tool has drawn its first frames.
deadline=$((SECONDS + 240))
until grep -q '^frame [1-9]' "$work/out"; do
    kill -0 "$started" 2>/dev/null || fail "the script ended before the tool drew a frame"
    ((SECONDS < deadline)) || fail "no frame drawn in time"
    sleep 0.2
done
kill -s "$sent" "$started"
echo "sent SIG$sent to ${wrapper[0]:-the script} ($started)"

deadline=$((SECONDS + 120))
while kill -0 "$started" 2>/dev/null; do
    ((SECONDS < deadline)) || fail "the script did not end after the signal"
    sleep 0.2
done
wait "$started"
status=$?
cat "$work/out"
# The tool's status, handed on by the script.
expected=$((128 + $(kill -l "$sent")))
[[ $status -eq $expected ]] || fail "status $status, not $expected"

# Whatever the script started ends with it, at once or right after.
for ((i = 0; i < 50; i++)); do
    left=$(marked)
    [[ -n "$left" ]] || break
    sleep 0.1
done
[[ -z "$left" ]] || fail "left running: $left"

case "$script" in
record)
    frames=$(sed -n 's/^Interrupted: recorded \([0-9]*\) of 300 frames.*/\1/p' "$work/out")
    [[ -n "$frames" && "$frames" -ge 1 ]] || fail "no line of the frames recorded before the stop"
    python3 "$mp4_frames" "$work/clip.mp4" | tee "$work/tracks" || fail "the clip is not playable"
    grep -qx "video $frames" "$work/tracks" || fail "the clip does not hold the $frames frames"
    ;;
timedemo)
    grep -qE '^Timedemo \(partial: stopped after [0-9]+ of 300 frames\)' "$work/out" ||
        fail "no partial report"
    grep -q '^Average: ' "$work/out" || fail "the report is not complete"
    [[ -s "$work/times.csv" ]] || fail "no CSV"
    ;;
esac
echo "PASS: $script $signal"
