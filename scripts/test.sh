#!/usr/bin/env bash
# Builds everything and runs the whole test suite, under a virtual X server when
# no display exists (the GL and end-to-end tests open windows). The build folder is
# build/, or LANTERNFALL_BUILD_DIR.
#   --sanitize   builds in a folder of its own, the build folder's name with -sanitize
#                added (build-sanitize/ by default), with AddressSanitizer and
#                UndefinedBehaviorSanitizer (any report fails the test) and runs the
#                suite there. Leaks inside Mesa's software driver are suppressed by
#                tests/sanitize/lsan.supp, and the model importer's by name too;
#                nothing of ours is. The fuzzers are left out: they carry ASan already.
# Other arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/build.sh

install_missing
if [[ "${1:-}" == "--sanitize" ]]; then
    shift
    build_dir=${build_dir%/}-sanitize
    flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
    configure_build -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
        -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" -DLANTERNFALL_FUZZERS=OFF >/dev/null
    build_targets
    # Mesa's driver is unloaded before the leak check runs, which leaves its leaks without
    # a library name to suppress them by; loading it first keeps it (and its name) to the
    # end. The sanitizer runtime then no longer comes first, which is fine here.
    drivers=(/usr/lib/*/dri/swrast_dri.so)
    [[ -e "${drivers[0]}" ]] || drivers=("")
    export LD_PRELOAD="${drivers[0]}"
    export ASAN_OPTIONS="detect_leaks=1:verify_asan_link_order=0"
    export LSAN_OPTIONS="suppressions=$PWD/tests/sanitize/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
else
    build_targets
fi
on_display ctest --test-dir "$build_dir" --output-on-failure --timeout 600 "$@"
