# shellcheck shell=bash
# What the scripts share, sourced from the repository root: the build folder, building in
# it, and running the script's tool on the display, with stop signals handed to it.
# LANTERNFALL_BUILD_DIR names the build folder (default build; a relative one is taken from
# the repository root).

build_dir=${LANTERNFALL_BUILD_DIR:-build}

install_missing() {
    bash scripts/deps.sh
}

# Configures the build folder the first time only; arguments go to cmake, so a folder made
# with extra settings keeps them.
# shellcheck disable=SC2120
configure_build() {
    if [[ ! -f "$build_dir/CMakeCache.txt" ]]; then
        cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    fi
}

# Builds incrementally; arguments go to cmake --build, e.g. --target content preview.
# shellcheck disable=SC2119,SC2120 # the arguments are optional
build_targets() {
    configure_build
    cmake --build "$build_dir" -j"$(nproc)" "$@"
}

# Signals a script hands on to the tool it runs: Ctrl-C, kill, and timeout's default.
stop_signals=(INT TERM)
# The virtual X server's screen, as the tools and tests expect it.
virtual_screen=1280x1024x24
virtual_display_start_seconds=60

# The stop signal the script was sent while it ran a tool, and the tool's process group.
forwarded_signal=""
tool_pid=""

# Hands a stop signal sent to the script to the tool's whole process group (the tool and
# what it started), or to the tool alone while it is still making that group.
pass_on_signal() {
    forwarded_signal=$1
    if [[ -n "$tool_pid" ]]; then
        kill -s "$1" -- "-$tool_pid" 2>/dev/null || kill -s "$1" "$tool_pid" 2>/dev/null || true
    fi
}

# From here on the stop signals are handed on; the caller keeps `trap -p` of them from
# before, to give release_stop_signals.
catch_stop_signals() {
    local signal
    for signal in "${stop_signals[@]}"; do
        # shellcheck disable=SC2064 # the signal's name is fixed when the trap is set
        trap "pass_on_signal $signal" "$signal"
    done
}

release_stop_signals() {
    trap - "${stop_signals[@]}"
    eval "$1"
}

# The status of a process ended by the signal forwarded_signal names.
signal_status() {
    echo $((128 + $(kill -l "$forwarded_signal")))
}

# Waits for a child of the script to end and returns its status. A trapped signal ends a
# wait early, so it waits again while the child is there (a zombie counts).
wait_for_end() {
    local status=0
    while :; do
        status=0
        wait "$1" || status=$?
        kill -0 "$1" 2>/dev/null || return "$status"
    done
}

# Whether a child of the script has ended, waited for or not (a zombie has).
has_ended() {
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 0
    # The state follows the command's name, which is in parentheses and may hold spaces.
    stat=${stat##*) }
    [[ "${stat%% *}" == Z ]]
}

# Runs a command as the script's tool and returns its exit status. It runs in a session of
# its own, so a signal meant for the script's group (timeout's, a terminal's Ctrl-C) reaches
# it once, through the script: SIGINT and SIGTERM sent to the script are handed to it and the
# script waits for it to end, so a recording is closed and a report printed as on Ctrl-C.
# After a stop signal no further tool starts: the status is then 128 plus its number.
run_tool() {
    local status=0 saved_traps
    saved_traps=$(trap -p "${stop_signals[@]}")
    catch_stop_signals
    if [[ -n "$forwarded_signal" ]]; then
        status=$(signal_status)
    else
        # A background job of a script ignores SIGINT; the tool must not.
        (
            trap - INT QUIT
            exec setsid "$@"
        ) &
        tool_pid=$!
        # Until its session exists the tool may still ignore SIGINT: a signal that came
        # before then is handed on again.
        while ! kill -0 -- "-$tool_pid" 2>/dev/null && ! has_ended "$tool_pid"; do
            sleep 0.01
        done
        [[ -z "$forwarded_signal" ]] || pass_on_signal "$forwarded_signal"
        wait_for_end "$tool_pid" || status=$?
        tool_pid=""
    fi
    release_stop_signals "$saved_traps"
    return "$status"
}

virtual_display_pid=""
virtual_display_folder=""
# The caller's own, put back when the server ends.
outer_xauthority=""

# Starts a virtual X server (Xvfb) on a free display, reachable only with a cookie of its
# own, and points DISPLAY and XAUTHORITY at it. It runs in a session of its own, so no
# signal for the script's group ends it before the tool it serves.
start_virtual_display() {
    local number="" cookie
    virtual_display_folder=$(mktemp -d)
    cookie=$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')
    outer_xauthority=${XAUTHORITY:-}
    export XAUTHORITY="$virtual_display_folder/Xauthority"
    : >"$XAUTHORITY"
    # The server takes every cookie in its file, whatever display an entry names; the
    # display is known only once the server has chosen it.
    xauth -q -f "$XAUTHORITY" add :65534 . "$cookie"
    mkfifo "$virtual_display_folder/ready"
    setsid Xvfb -displayfd 3 -auth "$XAUTHORITY" -nolisten tcp -screen 0 "$virtual_screen" \
        3>"$virtual_display_folder/ready" 2>"$virtual_display_folder/log" &
    virtual_display_pid=$!
    # The server writes its display number once it takes connections; nothing if it fails.
    read -r -t "$virtual_display_start_seconds" number <"$virtual_display_folder/ready" || true
    if [[ -n "$forwarded_signal" ]]; then
        return "$(signal_status)"
    fi
    if [[ ! "$number" =~ ^[0-9]+$ ]]; then
        echo "No virtual X server: Xvfb did not start." >&2
        cat "$virtual_display_folder/log" >&2
        return 1
    fi
    xauth -q -f "$XAUTHORITY" add ":$number" . "$cookie"
    export DISPLAY=":$number"
}

# Ends the virtual X server, waits for it and forgets it.
stop_virtual_display() {
    if [[ -n "$virtual_display_pid" ]]; then
        kill "$virtual_display_pid" 2>/dev/null || true
        wait_for_end "$virtual_display_pid" || true
    fi
    rm -rf "$virtual_display_folder"
    virtual_display_pid=""
    virtual_display_folder=""
    unset DISPLAY XAUTHORITY
    if [[ -n "$outer_xauthority" ]]; then
        export XAUTHORITY="$outer_xauthority"
    fi
}

# Runs a command on the display, or on a virtual X server of its own when there is none, as
# the script's tool (run_tool): stop signals reach it, and the server ends after it.
on_display() {
    if [[ -n "${DISPLAY:-}" ]]; then
        run_tool "$@"
        return
    fi
    local status=0 saved_traps
    saved_traps=$(trap -p "${stop_signals[@]}")
    catch_stop_signals
    if start_virtual_display; then
        run_tool "$@" || status=$?
    else
        status=$?
    fi
    stop_virtual_display
    release_stop_signals "$saved_traps"
    return "$status"
}
