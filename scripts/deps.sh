# Sourced by the scripts: installs the Debian packages that are missing,
# non-interactively, as root or through sudo. The package manager's output
# goes to a log file (build/setup.log, or $VLO_SETUP_LOG); the terminal gets
# one line naming what is installed, and the log's tail when it fails.
# Usage: vlo_install_packages pkg...
vlo_install_packages() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local log="${VLO_SETUP_LOG:-$root/build/setup.log}"
    mkdir -p "$(dirname "$log")"
    echo "Installing ${missing[*]} (log: $log)"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    if ! {
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update &&
            "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
                apt-get install -y --no-install-recommends "${missing[@]}"
    } >"$log" 2>&1 </dev/null; then
        tail -n 25 "$log" >&2
        echo "Installing packages failed; the whole log is $log" >&2
        return 1
    fi
}

# What each script needs, and why (see the README's Dependencies).
VLO_BUILD_PACKAGES=(build-essential cmake pkg-config libsdl2-dev libsdl2-mixer-dev libvorbis-dev)
# The Debian package: dpkg-shlibdeps (dpkg-dev) and file find its dependencies;
# lintian and appstreamcli (appstream) check it and its metainfo.
VLO_PACKAGE_PACKAGES=(dpkg-dev file lintian appstream)
VLO_TEST_PACKAGES=(googletest libgtest-dev libgmock-dev zlib1g-dev
    xvfb xauth xdotool x11-apps openbox clang libclang-rt-14-dev clang-format "${VLO_PACKAGE_PACKAGES[@]}")
# The browser build: emscripten, and dpkg-dev to unpack SDL's source packages.
VLO_WEB_PACKAGES=(emscripten dpkg-dev)
# Its test: headless Chromium driven by puppeteer-core, installed with npm
# (scripts/test-web adds Debian's npm where no npm is installed).
VLO_WEB_TEST_PACKAGES=(chromium)
VLO_BENCH_PACKAGES=(libbenchmark-dev nlohmann-json3-dev)

# vlo_phase name command...: runs one step of a script, timed; the times are
# printed together by vlo_phase_times. A failing step fails the script.
VLO_PHASES=()
vlo_phase() {
    local name="$1" start status=0
    shift
    echo "== $name"
    start=$(date +%s)
    "$@" || status=$?
    VLO_PHASES+=("$(printf '%-24s %5d s%s' "$name" $(($(date +%s) - start)) \
        "$([ $status -eq 0 ] || echo "   FAILED ($status)")")")
    return $status
}
vlo_phase_times() {
    echo "== time by phase"
    printf '%s\n' "${VLO_PHASES[@]}"
    printf '%-24s %5d s\n' "total" "$SECONDS"
}

# vlo_ctest_with_rerun log ctest-args...: runs ctest once, its report on the
# terminal and in `log`. Tests that fail are run once more on their own
# (report in `log` with .rerun before its suffix) to show whether the fault
# shows every time or comes and goes; the step fails either way, because a
# test that needs a second try hides a fault. The summary, also kept in `log`
# with .summary, names each test that failed and what its rerun gave.
vlo_ctest_with_rerun() {
    local log="$1"
    shift
    ctest "$@" | tee "$log" && return 0
    local rerun="${log%.*}.rerun.${log##*.}" summary="${log%.*}.summary.${log##*.}"
    echo "== running the failed tests once more, to see whether they fail every time"
    ctest "$@" --rerun-failed | tee "$rerun" || true
    local first again name outcome
    first="$(vlo_ctest_failed_tests "$log")"
    again="$(vlo_ctest_failed_tests "$rerun")"
    {
        echo "== failed on the first run (so the run fails):"
        [ -n "$first" ] || echo "  (ctest failed without naming a failed test; see $log)"
        while IFS= read -r name; do
            [ -n "$name" ] || continue
            if ! grep -qF -- " $name " "$rerun"; then
                outcome="not run again"
            elif grep -qxF -- "$name" <<<"$again"; then
                outcome="failed again"
            else
                outcome="passed when run again: it comes and goes"
            fi
            echo "  $name: $outcome"
        done <<<"$first"
    } | tee "$summary"
    return 1
}

# vlo_ctest_failed_tests log: the names in the "tests FAILED" list of a
# ctest report, one a line.
vlo_ctest_failed_tests() {
    sed -n '/^The following tests FAILED:/,$p' "$1" |
        sed -nE 's/^[[:space:]]+[0-9]+ - (.*) \([^()]*\)$/\1/p'
}
