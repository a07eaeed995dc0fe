#!/usr/bin/env bash
# Builds and runs the demo from the repository root. Without a display it runs the
# demo under a virtual X server for LANTERNFALL_SECONDS (default 20) seconds, saves
# a screenshot of the window to build/lanternfall.png and what it played to
# build/lanternfall-audio.wav. LANTERNFALL_BUILD_DIR, when set, replaces build/.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/build.sh

seconds=${LANTERNFALL_SECONDS:-20}
screenshot=$build_dir/lanternfall.png
audio=$build_dir/lanternfall-audio.wav

if [[ "${1:-}" != "--headless" ]]; then
    install_missing
    build_targets --target content lanternfall screenshot
    if [[ -n "${DISPLAY:-}" ]]; then
        exec "$build_dir/lanternfall"
    fi
    echo "No display: running the demo for ${seconds} s under Xvfb, then saving ${screenshot} and ${audio}."
    status=0
    on_display bash scripts/run.sh --headless || status=$?
    exit "$status"
fi

# No sound card on a server: OpenAL writes the mix to a file instead.
config=$build_dir/alsoft.conf
printf '[general]\ndrivers = wave\n[wave]\nfile = %s\n' "$(realpath -m "$audio")" >"$config"
# Started in the background, it would ignore SIGINT: the signals handed to this script's
# group (on_display) reach it as they do here.
(
    trap - INT QUIT
    ALSOFT_CONF=$(realpath "$config") exec "$build_dir/lanternfall"
) &
demo=$!
window=$(timeout 60 xdotool search --sync --name '^Lanternfall' | head -n 1 || true)
if [[ -z "$window" ]]; then
    echo "The demo's window did not appear." >&2
    kill "$demo" 2>/dev/null || true
    wait "$demo" || true
    exit 1
fi
for ((s = 0; s < seconds; ++s)); do
    sleep 1
    kill -0 "$demo" 2>/dev/null || break
done
if kill -0 "$demo" 2>/dev/null; then
    echo "Window title: $(xdotool getwindowname "$window")"
    "$build_dir/screenshot" "$screenshot" "$window" && echo "Screenshot saved to ${screenshot}"
    xdotool windowfocus --sync "$window" key Escape
fi
status=0
wait "$demo" || status=$?
[[ -s "$audio" ]] && echo "Sound saved to ${audio}"
echo "The demo exited with status ${status}."
echo "To watch the whole show at full speed with its music, record it: bash scripts/record.sh"
exit "$status"
