#!/usr/bin/env bash
# The Debian package that scripts/package.sh builds (or brings up to date) in BUILD_DIR:
# what it holds and what it leaves out, a hardened binary in /usr/games that holds no path
# of the machine that built it, and the demo unpacked from it into a temporary root, started
# from an unrelated folder, running on its installed data until its frame-rate title shows
# and closing on Escape with status 0; then the same with the unpacked tree moved to another
# prefix. The desktop entry and the metainfo pass Debian's validators.
# Usage: package_test.sh BUILD_DIR
set -uo pipefail

build=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
fpsTitle='^Lanternfall FPS: [0-9]+ Elapsed time: [0-9]+\.[0-9]{6} seconds$'

if [[ -z "${DISPLAY:-}" ]] || ! command -v xdotool >/dev/null || ! command -v dpkg-deb >/dev/null; then
    echo "SKIP: needs an X display, xdotool and dpkg-deb"
    exit 77
fi
# The package is a release build whatever suite runs this: the sanitized suite's settings
# would reach its compilers and its demo.
unset LD_PRELOAD ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS

work=$(mktemp -d)
demo=
trap 'kill "$demo" 2>/dev/null; rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*"
    [[ -f "$work/out" ]] && { echo "--- the demo's output:"; cat "$work/out"; }
    exit 1
}

started=$SECONDS
touch "$work/before"
LANTERNFALL_BUILD_DIR=$build bash "$root/scripts/package.sh" >"$work/package.log" 2>&1 ||
    { cat "$work/package.log"; fail "scripts/package.sh could not build the package"; }
# The one cpack just wrote, not one of an older version left beside it.
deb=$(find "$build" -maxdepth 1 -name 'lanternfall_*_amd64.deb' -newer "$work/before")
[[ -n "$deb" && "$deb" != *$'\n'* ]] || fail "no single new lanternfall_VERSION_amd64.deb in $build"
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes, built or brought up to date" \
    "in $((SECONDS - started)) s"

dpkg-deb -c "$deb" | awk '{print $6}' >"$work/contents"
for needed in ./usr/games/lanternfall ./usr/share/lanternfall/shader/LightingAndNormalMapping.frag \
    ./usr/share/lanternfall/resources/Dungeon50/Dungeon.obj \
    ./usr/share/lanternfall/resources/Dungeon50/textures/embers_diffuse.png \
    ./usr/share/lanternfall/resources/audio/37_Catacombs.mp3 \
    ./usr/share/lanternfall/resources/file/path.txt ./usr/share/doc/lanternfall/README.md \
    ./usr/share/doc/lanternfall/copyright ./usr/share/doc/lanternfall/changelog.gz \
    ./usr/share/man/man6/lanternfall.6.gz \
    ./usr/share/applications/invalid.lanternfall.Lanternfall.desktop \
    ./usr/share/metainfo/invalid.lanternfall.Lanternfall.metainfo.xml; do
    grep -qxF "$needed" "$work/contents" || fail "the package lacks $needed"
done
if grep -E 'test|generate|CMake|\.o$|\.a$|timedemo|record|preview|capture|^\./usr/bin/' \
    "$work/contents"; then
    fail "the package holds build files, tests, tools or a binary outside /usr/games (above)"
fi
depends=$(dpkg-deb -f "$deb" Depends)
echo "depends: $depends"
[[ "$depends" == *libgl1* && "$depends" == *libglfw3* ]] || fail "no run-time dependencies worked out"

dpkg-deb -x "$deb" "$work/root" || fail "dpkg-deb -x failed"
share=$work/root/usr/share
binary=$work/root/usr/games/lanternfall

# Debian 12's C start files carry no control-flow protection mark, so no program built
# here gets one; every other check must pass.
command -v hardening-check >/dev/null || fail "hardening-check is not installed (devscripts)"
hardening-check --nocfprotection "$binary" || fail "the packaged demo is not hardened (above)"
if strings -a "$binary" | grep -F -e "$root" -e "$(realpath "$build")"; then
    fail "the packaged demo holds a path of the source or build tree (above)"
fi
zcat "$share/man/man6/lanternfall.6.gz" >"$work/lanternfall.6" || fail "the manual page is not gzip"
if ! groff -man -ww -z "$work/lanternfall.6" 2>"$work/groff.log" || [[ -s "$work/groff.log" ]]; then
    cat "$work/groff.log"
    fail "the manual page does not format cleanly"
fi

# Without its installed data the demo names only where it looked: no source tree, and no
# empty path for the fallback a package leaves out.
mkdir -p "$work/alone" "$work/elsewhere"
cp "$binary" "$work/alone/lanternfall"
(cd "$work/elsewhere" && exec "$work/alone/lanternfall") >"$work/alone.out" 2>&1
status=$?
expected="ERROR::FILES:: $work/elsewhere has no shader/ and resources/, nor has $work/share/lanternfall; run the demo from the project's root folder, or install it"
[[ $status -eq 1 && "$(cat "$work/alone.out")" == "$expected" ]] ||
    fail "without its data the demo exited with status $status, saying: $(cat "$work/alone.out")"

desktop=$share/applications/invalid.lanternfall.Lanternfall.desktop
metainfo=$share/metainfo/invalid.lanternfall.Lanternfall.metainfo.xml
[[ -f "$share/icons/hicolor/256x256/apps/lanternfall.png" ]] || fail "the package has no icon"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate refuses the desktop entry"
else
    echo "desktop-file-validate is not installed (desktop-file-utils): not checked"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli refuses the metainfo"
else
    echo "appstreamcli is not installed (appstream): not checked"
fi

# Starts PREFIX/games/lanternfall from an unrelated folder and checks that it runs on
# PREFIX/share/lanternfall and closes on Escape.
run_installed() {
    local prefix=$1 deadline window='' id name status
    (cd "$work/elsewhere" && ALSOFT_DRIVERS=null exec "$prefix/games/lanternfall") >"$work/out" 2>&1 &
    demo=$!
    deadline=$((SECONDS + 120))
    while [[ -z "$window" ]] && ((SECONDS < deadline)); do
        kill -0 "$demo" 2>/dev/null || fail "the demo in $prefix ended before its title showed"
        for id in $(xdotool search --pid "$demo" --name 'Lanternfall' 2>/dev/null); do
            name=$(xdotool getwindowname "$id" 2>/dev/null) || continue
            [[ "$name" =~ $fpsTitle ]] && window=$id
        done
        sleep 0.1
    done
    [[ -n "$window" ]] || fail "no frame-rate title from the demo in $prefix"
    [[ "$(readlink "/proc/$demo/cwd")" == "$prefix/share/lanternfall" ]] ||
        fail "the demo in $prefix runs in $(readlink "/proc/$demo/cwd"), not its installed data"
    xdotool windowfocus --sync "$window" && xdotool key Escape
    deadline=$((SECONDS + 60))
    while kill -0 "$demo" 2>/dev/null; do
        ((SECONDS < deadline)) || fail "the demo in $prefix did not exit after Escape"
        sleep 0.1
    done
    wait "$demo"
    status=$?
    demo=
    [[ $status -eq 0 ]] || fail "the demo in $prefix exited with status $status"
    echo "ran from $prefix on its installed data, closed with status 0"
}

run_installed "$work/root/usr"
mkdir -p "$work/root/opt"
mv "$work/root/usr" "$work/root/opt/moved" || fail "could not move the prefix"
run_installed "$work/root/opt/moved"
echo "PASS"
