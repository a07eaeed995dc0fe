# shellcheck shell=bash
# What the scripts share, sourced from the repository root: the build folder, building in
# it, and running on the display. LANTERNFALL_BUILD_DIR names the build folder (default
# build; a relative one is taken from the repository root).

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
build_targets() {
    configure_build
    cmake --build "$build_dir" -j"$(nproc)" "$@"
}

# Runs a command on the display, or under a virtual X server (Xvfb) when there is none.
on_display() {
    if [[ -n "${DISPLAY:-}" ]]; then
        "$@"
    else
        xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
    fi
}
