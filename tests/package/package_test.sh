#!/usr/bin/env bash
# Builds the Debian package from a configured build folder into a scratch
# folder, checks its file list and declared dependencies, the hardening of its
# program, its metainfo (appstreamcli) and lintian's verdict, unpacks it
# (dpkg-deb -x) into a scratch root and has the end-to-end main-menu test read
# the menu off the screen of the unpacked launcher, with a scratch HOME.
# Nothing is installed on this machine.
# Usage: package_test.sh <build dir> <version> <e2e_tests program>
set -euo pipefail
build="$1"
version="$2"
e2e="$3"

for tool in cpack dpkg-deb dpkg-shlibdeps file readelf appstreamcli lintian Xvfb xdotool; do
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
        ./usr/share/metainfo \
        ./usr/share/velvet-lockout \
        ./usr/share/velvet-lockout/gfx ./usr/share/velvet-lockout/music; do
        echo "drwxr-xr-x root/root $d/"
    done
    echo "-rwxr-xr-x root/root ./usr/games/velvet-lockout"
    echo "-rwxr-xr-x root/root ./usr/libexec/velvet-lockout/velvet-lockout"
    for f in applications/velvet-lockout.desktop doc/velvet-lockout/copyright \
        doc/velvet-lockout/changelog.gz icons/hicolor/scalable/apps/velvet-lockout.svg \
        man/man6/velvet-lockout.6.gz metainfo/io.github.velvetlockout.velvetlockout.metainfo.xml; do
        echo "-rw-r--r-- root/root ./usr/share/$f"
    done
    for n in 48 64 128 192 256 512; do
        for d in "${n}x$n" "${n}x$n/apps"; do
            echo "drwxr-xr-x root/root ./usr/share/icons/hicolor/$d/"
        done
        echo "-rw-r--r-- root/root ./usr/share/icons/hicolor/${n}x$n/apps/velvet-lockout.png"
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

# -- what lintian says --------------------------------------------------------
# At every level down to pedantic and informational: exactly the tags that
# the README explains under "What lintian still says", so that a new one
# fails here and one that went away is taken out of the README.
lintian --pedantic --display-info "$deb" >"$scratch/lintian.log" 2>&1 || true
tags="$(sed -nE 's/^[EWIPX]: velvet-lockout: ([a-z0-9-]+).*/\1/p' "$scratch/lintian.log" | LC_ALL=C sort -u | paste -sd' ')"
[ "$tags" = "hardening-no-fortify-functions spelling-error-in-binary" ] ||
    { cat "$scratch/lintian.log"; fail "lintian says [$tags]"; }

# -- the unpacked package ------------------------------------------------------
root="$scratch/root"
dpkg-deb -x "$deb" "$root"

# The program as the distribution hardens its own: immediate binding,
# read-only relocations, position independence, the stack protector; and
# without the compiler's notes.
program="$root/usr/libexec/velvet-lockout/velvet-lockout"
dynamic="$(readelf -dW "$program")"
grep -Eq '\(FLAGS\) +BIND_NOW' <<<"$dynamic" || fail "not bound at once (BIND_NOW)"
grep -Eq '\(FLAGS_1\) +Flags: NOW PIE' <<<"$dynamic" || fail "FLAGS_1 not NOW PIE: $(grep FLAGS_1 <<<"$dynamic")"
# (Here-strings, not pipes: grep -q leaving early would fail the pipe.)
grep -q GNU_RELRO <<<"$(readelf -lW "$program")" || fail "no read-only relocations (GNU_RELRO)"
grep -q ' __stack_chk_fail@' <<<"$(readelf --dyn-syms -W "$program")" || fail "no stack protector"
! grep -qF ' .comment ' <<<"$(readelf -SW "$program")" || fail "the program keeps its .comment section"

# The metainfo validates offline, and names the desktop entry and the icon
# that the package holds.
metainfo="$root/usr/share/metainfo/io.github.velvetlockout.velvetlockout.metainfo.xml"
appstreamcli validate --no-net --pedantic "$metainfo" >"$scratch/appstream.log" 2>&1 ||
    { cat "$scratch/appstream.log"; fail "the metainfo does not validate"; }
grep -qxF "  <launchable type=\"desktop-id\">velvet-lockout.desktop</launchable>" "$metainfo" ||
    fail "the metainfo does not launch velvet-lockout.desktop"
grep -qxF "Icon=velvet-lockout" "$root/usr/share/applications/velvet-lockout.desktop" ||
    fail "the desktop entry does not name the icon velvet-lockout"
grep -qF "<release version=\"$version\"" "$metainfo" || fail "the metainfo's release is not $version"
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

echo "PASS: $(basename "$deb") holds the install layout, depends on [$depends], is hardened, validates and shows the main menu unpacked"
