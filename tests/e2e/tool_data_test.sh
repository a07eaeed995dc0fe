#!/usr/bin/env bash
# The recorder and the timedemo find the show's data as the demo does, and stop before their
# work, with a clear line and a failure status and without writing a result, when it is not
# there. Usage (from the repository root, on an X display):
#   tool_data_test.sh SCENARIO RECORD TIMEDEMO
#   started-elsewhere:  run from another folder, both find the project's data and write their
#                       files where they were started (a playable clip, a CSV and a chart).
#   no-run-directory:   started elsewhere with the project hidden (an empty folder mounted
#                       over it in a mount namespace of their own, run from copies of the
#                       binaries): each names where it looked.
#   broken-data:        run from a folder of the show's data with one program that does not
#                       build, no dungeon, sky, star sprite or music: each names what is
#                       missing.
set -uo pipefail

scenario=$1
record=$(realpath "$2")
timedemo=$(realpath "$3")
root=$(pwd)
mp4_frames="$root/tests/e2e/mp4_frames.py"
# Short stretches: a tenth of a second of the gallery.
range=(--from 70 --to 70.1)

if [[ -z "${DISPLAY:-}" ]]; then
    echo "SKIP: needs an X display"
    exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ALSOFT_DRIVERS=null

fail() {
    echo "FAIL: $*"
    exit 1
}

# Runs a tool in a folder, its lines into OUT. Prints nothing; the status is the tool's.
run_in() {
    local folder=$1 out=$2
    shift 2
    (cd "$folder" && exec timeout 240 "$@") >"$out" 2>&1
}

# The run ended in failure and its lines match each pattern.
expect_refusal() {
    local status=$1 out=$2
    shift 2
    cat "$out"
    [[ $status -ne 0 && $status -ne 124 ]] || fail "status $status, not a failure"
    local pattern
    for pattern in "$@"; do
        grep -qE "$pattern" "$out" || fail "no line matching $pattern"
    done
}

# No file in the folder but those named.
expect_only() {
    local folder=$1 left kept
    shift
    left=$(cd "$folder" && ls -A)
    for kept in "$@"; do
        left=$(grep -vx "$kept" <<<"$left")
    done
    [[ -z "$left" ]] || fail "files left behind: $left"
}

case "$scenario" in
started-elsewhere)
    mkdir "$work/here"
    run_in "$work/here" "$work/record.out" "$record" clip.mp4 "${range[@]}"
    status=$?
    cat "$work/record.out"
    [[ $status -eq 0 ]] || fail "the recorder exited with status $status"
    ! grep -q ERROR "$work/record.out" || fail "the recorder reported an error"
    python3 "$mp4_frames" "$work/here/clip.mp4" | tee "$work/tracks" || fail "no playable clip"
    grep -qx "video 6" "$work/tracks" || fail "not the 6 frames of the range"
    grep -q "^sound [1-9]" "$work/tracks" || fail "no sound"

    run_in "$work/here" "$work/timedemo.out" "$timedemo" "${range[@]}" --csv times.csv --plot times.png
    status=$?
    cat "$work/timedemo.out"
    [[ $status -eq 0 ]] || fail "the timedemo exited with status $status"
    ! grep -q ERROR "$work/timedemo.out" || fail "the timedemo reported an error"
    grep -q '^Average: ' "$work/timedemo.out" || fail "no report"
    [[ $(grep -c '' "$work/here/times.csv") -gt 6 ]] || fail "no CSV of the 6 frames"
    [[ -s "$work/here/times.png" ]] || fail "no chart"
    ;;
no-run-directory)
    # shellcheck disable=SC2016 # the namespace's shell expands it
    if ! unshare -m sh -c 'mount -t tmpfs none "$1"' _ "$root" 2>/dev/null; then
        echo "SKIP: needs a mount namespace of its own (unshare -m)"
        exit 77
    fi
    # Copies, since the build tree is hidden with the project.
    cp "$record" "$work/record"
    cp "$timedemo" "$work/timedemo"
    mkdir "$work/here"
    # shellcheck disable=SC2016 # the namespace's shell expands it
    hidden='mount -t tmpfs none "$1" && cd "$2" && shift 2 && exec timeout 120 "$@"'
    unshare -m sh -c "$hidden" _ "$root" "$work/here" "$work/record" clip.mp4 "${range[@]}" \
        >"$work/record.out" 2>&1
    expect_refusal $? "$work/record.out" \
        "^ERROR::FILES:: $work/here has no shader/ and resources/, nor has $(dirname "$work")/share/lanternfall or $root; run the recorder from the project's root folder$"
    unshare -m sh -c "$hidden" _ "$root" "$work/here" "$work/timedemo" "${range[@]}" \
        --csv times.csv --plot times.png >"$work/timedemo.out" 2>&1
    expect_refusal $? "$work/timedemo.out" "^ERROR::FILES:: .*; run the timedemo from "
    expect_only "$work/here"
    ;;
broken-data)
    # The project's data but a program whose fragment stage does not compile, no dungeon,
    # sky, star sprite or music.
    mkdir -p "$work/run/resources"
    cp -r shader "$work/run/shader"
    echo "not a line of GLSL" >>"$work/run/shader/Bloom.frag"
    for entry in resources/*; do
        case "$entry" in
        resources/Dungeon50 | resources/audio | resources/skybox3 | resources/textures) ;;
        *) ln -s "$root/$entry" "$work/run/$entry" ;;
        esac
    done
    run_in "$work/run" "$work/record.out" "$record" clip.mp4 "${range[@]}"
    expect_refusal $? "$work/record.out" \
        '^ERROR::DATA:: the program bloom \(shader/Bloom.vert, shader/Bloom.frag\) did not build$' \
        '^ERROR::DATA:: the dungeon has no meshes$' \
        '^ERROR::DATA:: no face of the sky could be read$' \
        '^ERROR::DATA:: the star sprite could not be read$' \
        '^ERROR::DATA:: the music resources/audio/.* cannot be played' \
        "^ERROR::DATA:: the recorder stops: the show's data is incomplete$"
    run_in "$work/run" "$work/timedemo.out" "$timedemo" "${range[@]}" --csv times.csv --plot times.png
    expect_refusal $? "$work/timedemo.out" \
        '^ERROR::DATA:: the program bloom ' '^ERROR::DATA:: the dungeon has no meshes$' \
        '^ERROR::DATA:: no face of the sky' '^ERROR::DATA:: the star sprite' \
        "^ERROR::DATA:: the timedemo stops: "
    ! grep -q "ERROR::DATA:: the music" "$work/timedemo.out" || fail "the timedemo asked for music"
    expect_only "$work/run" shader resources
    ;;
*)
    fail "unknown scenario $scenario"
    ;;
esac
echo "PASS: $scenario"
