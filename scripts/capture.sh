#!/usr/bin/env bash
# Captures one frame of the show for a frame debugger: the frame at camera path entry
# ENTRY, with the light and the stars where the recording has them there.
#   scripts/capture.sh ENTRY [OUT_DIR]              apitrace (default)
#   scripts/capture.sh --renderdoc ENTRY [OUT_DIR]  RenderDoc instead
# OUT_DIR defaults to capture/ENTRY/ in the build folder (build/capture/ENTRY/). With
# apitrace it gets frame_ENTRY.trace (the set-up and that one frame of the show) and one
# picture per pass, taken from the trace by replaying it, plus groups.txt (the frame's named
# groups and their call counts). With RenderDoc it gets frame_ENTRY.rdc. Without a display it
# runs under Xvfb.
# Environment: LANTERNFALL_BUILD_DIR (default build), APITRACE and GLRETRACE (the tools).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/build.sh

usage="usage: scripts/capture.sh [--renderdoc] ENTRY [OUT_DIR]  (ENTRY: a camera path entry, e.g. 586)"
tool=apitrace
if [[ "${1:-}" == "--renderdoc" ]]; then
    tool=renderdoc
    shift
fi
if [[ $# -lt 1 || $# -gt 2 || ! "$1" =~ ^[0-9]+$ ]]; then
    echo "$usage" >&2
    exit 2
fi
entry=$1
out=${2:-$build_dir/capture/$entry}
apitrace=${APITRACE:-apitrace}
glretrace=${GLRETRACE:-glretrace}
python=/usr/bin/python3

install_missing
# A first configure shows what it finds; the build itself stays quiet.
configure_build
build_targets --target content capture_frame >/dev/null
frame_program="$build_dir/tools/capture_frame"
# An entry past the end of the path gets the program's own usage line and status 2.
"$frame_program" --check "$entry"

if [[ "$tool" == apitrace ]]; then
    for program in "$apitrace" "$glretrace"; do
        if ! command -v "$program" >/dev/null; then
            echo "capture: $program not found: install Debian's apitrace package (apt-get install apitrace)" >&2
            exit 1
        fi
    done
else
    if ! "$python" -c "import sys; sys.path.insert(0, '/usr/lib/python3/dist-packages'); import renderdoc" 2>/dev/null; then
        echo "capture: RenderDoc's Python module not found: install Debian's renderdoc package (apt-get install renderdoc)" >&2
        exit 1
    fi
fi

mkdir -p "$out"
log="$out/capture.log"
if [[ "$tool" == renderdoc ]]; then
    capture="$out/frame_$entry.rdc"
    on_display "$python" tools/capture/renderdoc_capture.py "$frame_program" "$entry" \
        "$capture"
    echo "Open it in RenderDoc:  qrenderdoc $capture"
    exit 0
fi

# The whole run is traced, then cut down to the last frame (the one of the show) and what it
# needs. The frame before it is the window's first, blank swap: the replay sizes its window
# at that swap, so it stays in the trace.
trace="$out/frame_$entry.trace"
whole="$out/whole_run.trace"
rm -f "$trace" "$whole"
if ! on_display "$apitrace" trace --output "$whole" "$frame_program" "$entry" >"$log" 2>&1; then
    cat "$log" >&2
    # A trace of a run that failed is no capture of the frame.
    rm -f "$whole"
    echo "capture: tracing entry $entry failed" >&2
    exit 1
fi
frames=$("$apitrace" info "$whole" | sed -n 's/.*"FramesCount": \([0-9]*\).*/\1/p')
if ! "$apitrace" gltrim --frames=$((frames - 1)) --output "$trace" "$whole" >>"$log" 2>&1; then
    cat "$log" >&2
    echo "capture: trimming the trace failed" >&2
    exit 1
fi
rm -f "$whole"
APITRACE="$apitrace" GLRETRACE="$glretrace" on_display "$python" tools/capture/pass_pictures.py "$trace" "$out"

echo "Trace: $trace (set-up, then path entry $entry: the groups are in $out/groups.txt)"
echo "Pass pictures: $out/*.png"
echo "Open it in qapitrace:  qapitrace $trace   (Debian's apitrace-gui)"
echo "Read it as text:       apitrace dump $trace"
echo "Open it in RenderDoc:  scripts/capture.sh --renderdoc $entry $out   then   qrenderdoc $out/frame_$entry.rdc"
