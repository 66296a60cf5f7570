#!/usr/bin/env bash
# Builds the Debian package from a configured build folder into a scratch
# folder, checks its file list and declared dependencies, unpacks it
# (dpkg-deb -x) into a scratch root and has the end-to-end main-menu test read
# the menu off the screen of the unpacked launcher, with a scratch HOME.
# Nothing is installed on this machine.
# Usage: package_test.sh <build dir> <version> <e2e_tests program>
set -euo pipefail
build="$1"
version="$2"
e2e="$3"

for tool in cpack dpkg-deb dpkg-shlibdeps file Xvfb xdotool; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed"
        exit 77
    fi
done

scratch="$(mktemp -d "${TMPDIR:-/tmp}/vlo-package-XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

# -- the package ---------------------------------------------------------------
(cd "$build" && cpack -G DEB -B "$scratch/out") >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; fail "cpack failed"; }
arch="$(dpkg --print-architecture)"
deb="$scratch/out/velvet-lockout_${version}_${arch}.deb"
[ -f "$deb" ] || fail "no $(basename "$deb"); cpack made: $(cd "$scratch/out" && ls ./*.deb)"

# -- what it holds -------------------------------------------------------------
# Every path with its mode and owner; data files are the font sheet, the music
# definitions and the Ogg patterns of the build's gfx/ and music/ folders.
expected() {
    local d f
    for d in ./usr ./usr/games ./usr/libexec ./usr/libexec/velvet-lockout ./usr/share \
        ./usr/share/applications ./usr/share/doc ./usr/share/doc/velvet-lockout \
        ./usr/share/icons ./usr/share/icons/hicolor ./usr/share/icons/hicolor/scalable \
        ./usr/share/icons/hicolor/scalable/apps ./usr/share/man ./usr/share/man/man6 \
        ./usr/share/velvet-lockout \
        ./usr/share/velvet-lockout/gfx ./usr/share/velvet-lockout/music; do
        echo "drwxr-xr-x root/root $d/"
    done
    echo "-rwxr-xr-x root/root ./usr/games/velvet-lockout"
    echo "-rwxr-xr-x root/root ./usr/libexec/velvet-lockout/velvet-lockout"
    for f in applications/velvet-lockout.desktop doc/velvet-lockout/copyright \
        doc/velvet-lockout/changelog.gz icons/hicolor/scalable/apps/velvet-lockout.svg \
        man/man6/velvet-lockout.6.gz; do
        echo "-rw-r--r-- root/root ./usr/share/$f"
    done
    for d in gfx music; do
        (cd "$build/$d" && find . -type f \( -name '*.bmp' -o -name '*.ogg' -o -name '*.json' \) \
            -printf "-rw-r--r-- root/root ./usr/share/velvet-lockout/$d/%P\n")
    done
}
expected | LC_ALL=C sort >"$scratch/files.expected"
dpkg-deb -c "$deb" | awk '{print $1, $2, $6}' | LC_ALL=C sort >"$scratch/files.actual"
diff -u "$scratch/files.expected" "$scratch/files.actual" ||
    fail "the package's files differ from the install layout (- expected, + packaged)"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = velvet-lockout ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), not $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
# The dependencies are what the binary links, found by dpkg-shlibdeps: SDL2,
# SDL2_mixer and the C and C++ run-time, nothing a test or tool pulled in.
depends="$(field Depends | tr ',' '\n' | sed -E 's/^ *//; s/[ (].*//' | LC_ALL=C sort | paste -sd' ')"
[ "$depends" = "libc6 libgcc-s1 libsdl2-2.0-0 libsdl2-mixer-2.0-0 libstdc++6" ] ||
    fail "Depends names [$depends] (from: $(field Depends))"
field Depends | grep -Eq 'libsdl2-2\.0-0 \(>= [0-9]' || fail "SDL2 without a minimum version: $(field Depends)"

# -- the unpacked launcher -----------------------------------------------------
root="$scratch/root"
dpkg-deb -x "$deb" "$root"
grep -qxF "Exec=/usr/games/velvet-lockout" "$root/usr/share/applications/velvet-lockout.desktop" ||
    fail "desktop entry: $(grep ^Exec "$root/usr/share/applications/velvet-lockout.desktop")"

home="$scratch/home"
mkdir -p "$home"
test_name="MainMenuE2E.ShowsTheBannerAndTheVersionBoxWithNewGameInCyan"
if ! HOME="$home" XDG_DATA_HOME="$home/data" VLO_E2E_PROGRAM="$root/usr/games/velvet-lockout" \
        "$e2e" --gtest_filter="$test_name" >"$scratch/e2e.log" 2>&1; then
    cat "$scratch/e2e.log"
    fail "the unpacked game did not show the main menu"
fi
# A filter that matches nothing passes too: make sure the test ran.
grep -q "^\[  PASSED  \] 1 test\.$" "$scratch/e2e.log" || { cat "$scratch/e2e.log"; fail "$test_name did not run"; }
# The launcher ran from the unpacked tree: the user's folder links to its data.
user="$home/data/velvet-lockout"
[ "$(readlink -f "$user/gfx")" = "$(readlink -f "$root/usr/share/velvet-lockout/gfx")" ] ||
    fail "$user/gfx does not lead to the unpacked data"

echo "PASS: $(basename "$deb") holds the install layout, depends on [$depends] and shows the main menu unpacked"
