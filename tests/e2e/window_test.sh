#!/usr/bin/env bash
# Starts the demo on the current X display and drives it like a viewer would.
# Usage: window_test.sh SCENARIO BINARY SCREENSHOT NO_GL_FUNCTIONS
#   (run from the repository root; the last two are the screenshot helper and the library
#   that takes the GL functions away)
#   escape-closes:             on a driver that offers just OpenGL 3.3 core, the window
#                              opens as "Lanternfall", the title then shows the frame
#                              rate, the process is found by its name, nothing is
#                              reported, Escape ends the program with status 0.
#   free-flight-keeps-running: C and a held W keep the program running; Escape still
#                              ends it with status 0.
#   music:                     with OpenAL's wave-file output the first seconds heard
#                              are the music, not silence.
#   no-sound-device:           with no audio output at all the demo says so once and
#                              renders on.
#   started-elsewhere:         started from another folder, the demo finds its files in
#                              the project root and runs as usual.
#   resized-window:            a window resized to another shape shows the whole picture
#                              in all of it, not a corner of the old size.
#   Start-up failures: each gives its lines (GLFW's reason first, where there is one) and
#   ends the program with a failure status.
#   no-display:                on a display that does not exist.
#   no-gl-3.3:                 on a driver that offers no OpenGL 3.3 core context.
#   no-gl-functions:           when the GL functions cannot be loaded.
#   no-run-directory:          started elsewhere, with the project's folder hidden (an empty
#                              one mounted over it in a mount namespace of its own).
set -uo pipefail

scenario=$1
binary=$2
screenshot=${3:-}
noGlFunctions=${4:-}
fpsTitle='^Lanternfall FPS: [0-9]+ Elapsed time: [0-9]+\.[0-9]{6} seconds$'

if [[ -z "${DISPLAY:-}" ]] || ! command -v xdotool >/dev/null; then
    echo "SKIP: needs an X display and xdotool"
    exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*"
    echo "--- the demo's output:"
    cat "$work/out" 2>/dev/null
    kill "$demo" 2>/dev/null
    wait "$demo" 2>/dev/null
    exit 1
}

# Polls until the demo's window has a title matching the pattern; prints the window.
await_title() {
    local pattern=$1 deadline=$((SECONDS + 120)) id name
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

# Whether a screenshot of the resized window (1100 x 1000) shows the picture in all of it.
# Drawn at the old size, the picture would leave the top 232 rows black; filled, they show
# the scene as much as the bottom rows do. Debian's own Python has PIL (python3-matplotlib
# brings it).
fills_window() {
    /usr/bin/python3 - "$1" <<'PYTHON'
import sys
from PIL import Image
shot = Image.open(sys.argv[1]).convert("L")
width, height = shot.size
def lit(box):
    pixels = list(shot.crop(box).getdata())
    return sum(1 for p in pixels if p > 8) / len(pixels)
top, bottom = lit((0, 0, width, 200)), lit((0, height - 200, width, height))
print(f"window {width} x {height}, lit pixels: top rows {top:.2f}, bottom rows {bottom:.2f}")
sys.exit(0 if (width, height) == (1100, 1000) and top > 0.2 and bottom > 0.2 else 1)
PYTHON
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

# Audio: a null output unless the scenario asks for another.
export ALSOFT_DRIVERS=null
case "$scenario" in
music)
    unset ALSOFT_DRIVERS
    printf '[general]\ndrivers = wave\n[wave]\nfile = %s\n' "$work/heard.wav" >"$work/alsoft.conf"
    export ALSOFT_CONF="$work/alsoft.conf"
    ;;
no-sound-device)
    export ALSOFT_DRIVERS=no-such-output
    ;;
escape-closes)
    export MESA_GL_VERSION_OVERRIDE=3.3
    ;;
esac

# Runs the demo to its failure and checks its lines: each argument is a pattern for one.
expect_failure() {
    status=$?
    cat "$work/out"
    [[ $status -ne 0 && $status -ne 124 ]] || fail "exit status $status, not a failure"
    local pattern
    for pattern in "$@"; do
        grep -qE "$pattern" "$work/out" || fail "no line matching $pattern"
    done
    [[ $(grep -c '' "$work/out") -eq $# ]] || fail "not just the $# lines expected"
    echo "PASS: $scenario"
    exit 0
}

case "$scenario" in
no-display)
    DISPLAY=:4093 timeout 60 "$binary" >"$work/out" 2>&1
    expect_failure '^ERROR::GLFW:: X11: ' '^ERROR::GLFW:: Failed to initialize GLFW$'
    ;;
no-gl-3.3)
    MESA_GL_VERSION_OVERRIDE=3.0 timeout 60 "$binary" >"$work/out" 2>&1
    expect_failure '^ERROR::GLFW:: GLX: ' '^ERROR::GLFW:: Failed to create the window$'
    ;;
no-gl-functions)
    # A sanitized binary wants its runtime first among the preloaded libraries.
    LD_PRELOAD="$noGlFunctions${LD_PRELOAD:+:$LD_PRELOAD}" ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0" \
        timeout 60 "$binary" >"$work/out" 2>&1
    expect_failure '^Failed to initialize GLAD$'
    ;;
no-run-directory)
    root=$(pwd)
    # shellcheck disable=SC2016 # the namespace's shell expands it
    if ! unshare -m sh -c 'mount -t tmpfs none "$1"' _ "$root" 2>/dev/null; then
        echo "SKIP: needs a mount namespace of its own (unshare -m)"
        exit 77
    fi
    # A copy of the binary, since the one in the build tree is hidden with the project; it
    # looks for installed data beside itself too.
    cp "$binary" "$work/lanternfall"
    installed="$(dirname "$work")/share/lanternfall"
    # shellcheck disable=SC2016 # the namespace's shell expands it
    unshare -m sh -c 'mount -t tmpfs none "$1" && cd "$2" && exec timeout 60 ./lanternfall' \
        _ "$root" "$work" >"$work/out" 2>&1
    expect_failure "^ERROR::FILES:: $work has no shader/ and resources/, nor has $installed or $root; run the demo from the project's root folder, or install it$"
    ;;
esac

if [[ "$scenario" == started-elsewhere ]]; then
    (cd "$work" && exec "$binary") >"$work/out" 2>&1 &
else
    "$binary" >"$work/out" 2>&1 &
fi
demo=$!

window=$(await_title '^Lanternfall$') || fail "no window titled \"Lanternfall\""
echo "window $window opened as \"Lanternfall\""
window=$(await_title "$fpsTitle") || fail "the title never showed the frame rate"
echo "title: $(xdotool getwindowname "$window")"

case "$scenario" in
escape-closes | started-elsewhere)
    # The process runs under the name it was started by, as pgrep, top and killall see it.
    pgrep -x lanternfall | grep -qx "$demo" ||
        fail "pgrep -x lanternfall does not find the demo (its name: $(cat "/proc/$demo/comm"))"
    echo "found by its name: $(ps -o comm= -p "$demo")"
    ;;
free-flight-keeps-running)
    send_keys key c || fail "could not send C"
    send_keys keydown w || fail "could not hold W"
    sleep 1
    send_keys keyup w || fail "could not release W"
    sleep 1
    kill -0 "$demo" 2>/dev/null || fail "the demo stopped after C and W"
    echo "still running after C and W"
    ;;
music | no-sound-device)
    sleep 4
    ;;
resized-window)
    # Narrower and taller than the demo's 1280 x 768, on the test's 1280 x 1024 screen.
    xdotool windowsize --sync "$window" 1100 1000 || fail "could not resize the window"
    # Frames at the new size may be slow to come on a loaded machine: look until one shows.
    deadline=$((SECONDS + 60))
    until "$screenshot" "$work/resized.png" "$window" && fills_window "$work/resized.png"; do
        ((SECONDS < deadline)) || fail "the picture does not fill the resized window"
        sleep 1
    done
    ;;
*)
    fail "unknown scenario $scenario"
    ;;
esac

send_keys key Escape || fail "could not send Escape"
await_exit

case "$scenario" in
no-sound-device)
    [[ $(grep -c '' "$work/out") -le 1 ]] || fail "more than one line about the missing output"
    grep -q '^ERROR::SOUND:: ' "$work/out" || fail "no line about the missing output"
    ;;
*)
    if grep -qE 'ERROR|rror:|not complete|Failed' "$work/out"; then
        fail "the demo reported an error"
    fi
    ;;
esac

if [[ "$scenario" == music ]]; then
    [[ -s "$work/heard.wav" ]] || fail "no sound was written"
    python3 - "$work/heard.wav" <<'PYTHON' || fail "the recording is silent"
import array, math, struct, sys
# A RIFF reader that also takes the extensible format OpenAL writes.
data = open(sys.argv[1], "rb").read()
at, fmt, samples = 12, None, b""
while at + 8 <= len(data):
    tag, size = data[at:at + 4], struct.unpack("<I", data[at + 4:at + 8])[0]
    body = data[at + 8:at + 8 + size]
    if tag == b"fmt ":
        code, channels, rate, _, _, bits = struct.unpack("<HHIIHH", body[:16])
        if code == 0xFFFE:
            code = struct.unpack("<H", body[24:26])[0]
        fmt = (code, channels, rate, bits)
    elif tag == b"data":
        samples = body
    at += 8 + size + (size & 1)
code, channels, rate, bits = fmt
if code == 3 and bits == 32:
    values, scale = array.array("f", samples), 1.0
elif bits == 16:
    values, scale = array.array("h", samples), 32768.0
else:
    values, scale = array.array("B", samples), 1.0
    values = array.array("f", ((v - 128) / 128.0 for v in values))
seconds = len(values) / (rate * channels)
first = values[: int(rate * channels * min(seconds, 4.0))]
rms = math.sqrt(sum(v * v for v in first) / max(len(first), 1)) / scale
print(f"heard {seconds:.1f} s, RMS of the first seconds {rms:.4f}")
sys.exit(0 if seconds >= 1.0 and rms > 0.005 else 1)
PYTHON
fi
echo "PASS: $scenario"
