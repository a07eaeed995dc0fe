#!/usr/bin/env bash
# The Debian package, built from the build folder BUILD_DIR with cpack: what it holds and
# what it leaves out, and the demo unpacked from it into a temporary root, started from an
# unrelated folder, running on its installed data until its frame-rate title shows and
# closing on Escape with status 0; then the same with the unpacked tree moved to another
# prefix. The desktop entry and the metainfo pass Debian's validators.
# Usage: package_test.sh BUILD_DIR
set -uo pipefail

build=$1
fpsTitle='^Lanternfall FPS: [0-9]+ Elapsed time: [0-9]+\.[0-9]{6} seconds$'

if [[ -z "${DISPLAY:-}" ]] || ! command -v xdotool >/dev/null || ! command -v dpkg-deb >/dev/null; then
    echo "SKIP: needs an X display, xdotool and dpkg-deb"
    exit 77
fi

work=$(mktemp -d)
demo=
trap 'kill "$demo" 2>/dev/null; rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*"
    [[ -f "$work/out" ]] && { echo "--- the demo's output:"; cat "$work/out"; }
    exit 1
}

(cd "$build" && cpack -G DEB -B "$work/package") >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack could not build the package"; }
deb=$(ls "$work"/package/lanternfall_*_amd64.deb 2>/dev/null) || fail "no lanternfall_VERSION_amd64.deb"
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

dpkg-deb -c "$deb" | awk '{print $6}' >"$work/contents"
for needed in ./usr/bin/lanternfall ./usr/share/lanternfall/shader/LightingAndNormalMapping.frag \
    ./usr/share/lanternfall/resources/Dungeon50/Dungeon.obj \
    ./usr/share/lanternfall/resources/Dungeon50/textures/embers_diffuse.png \
    ./usr/share/lanternfall/resources/audio/37_Catacombs.mp3 ./usr/share/doc/lanternfall/README.md \
    ./usr/share/applications/invalid.lanternfall.Lanternfall.desktop \
    ./usr/share/metainfo/invalid.lanternfall.Lanternfall.metainfo.xml; do
    grep -qxF "$needed" "$work/contents" || fail "the package lacks $needed"
done
if grep -E 'test|generate|CMake|\.o$|\.a$|timedemo|record|preview|capture' "$work/contents"; then
    fail "the package holds build files, tests or tools (above)"
fi
depends=$(dpkg-deb -f "$deb" Depends)
echo "depends: $depends"
[[ "$depends" == *libgl1* && "$depends" == *libglfw3* ]] || fail "no run-time dependencies worked out"

dpkg-deb -x "$deb" "$work/root" || fail "dpkg-deb -x failed"
share=$work/root/usr/share
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

mkdir -p "$work/elsewhere"

# Starts PREFIX/bin/lanternfall from an unrelated folder and checks that it runs on
# PREFIX/share/lanternfall and closes on Escape.
run_installed() {
    local prefix=$1 deadline window= id name status
    (cd "$work/elsewhere" && ALSOFT_DRIVERS=null exec "$prefix/bin/lanternfall") >"$work/out" 2>&1 &
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
