#!/usr/bin/env bash
# Installs the built game into a scratch prefix and starts the installed
# launcher under Xvfb from an unrelated working directory, with a scratch
# HOME. Passes when the game quits with status 0, its settings file lands in
# the per-user folder, and neither the prefix nor the working directory gained
# or changed a single file. Before that, the launcher's command-line options
# are tried without a display. Usage: install_test.sh <build dir> <version>
set -euo pipefail
build="$1"
version="$2"

for tool in Xvfb xdotool; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed"
        exit 77
    fi
done

scratch="$(mktemp -d "${TMPDIR:-/tmp}/vlo-install-XXXXXX")"
xvfb_pid=""
game_pid=""
cleanup() {
    [ -n "$game_pid" ] && kill -KILL "$game_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    [ -f "$scratch/game.log" ] && sed 's/^/  game: /' "$scratch/game.log"
    exit 1
}

prefix="$scratch/prefix with space"
home="$scratch/home"
elsewhere="$scratch/elsewhere"
mkdir -p "$home" "$elsewhere"

cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" ||
    { cat "$scratch/install.log"; fail "cmake --install failed"; }

launcher="$prefix/bin/velvet-lockout"
[ -x "$launcher" ] || fail "no launcher at bin/velvet-lockout"
[ -x "$prefix/libexec/velvet-lockout/velvet-lockout" ] || fail "no program under libexec/"
[ -f "$prefix/share/velvet-lockout/gfx/font.bmp" ] || fail "font not installed"
[ -f "$prefix/share/velvet-lockout/music/music_def.json" ] || fail "music definition not installed"
ls "$prefix"/share/velvet-lockout/music/*.ogg >/dev/null 2>&1 || fail "no generated music installed"
desktop="$prefix/share/applications/velvet-lockout.desktop"
[ -f "$desktop" ] || fail "no desktop entry"
grep -qxF "Exec=\"$launcher\"" "$desktop" || fail "desktop entry does not start $launcher: $(grep ^Exec "$desktop")"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop entry does not validate"
fi

# The options answer without a display or sound and without starting the
# game; anything else is refused. Each row: status; where the answer goes;
# its first line; the arguments.
while IFS=';' read -r want stream first args; do
    read -ra argv <<<"$args"
    status=0
    (
        cd "$elsewhere"
        unset DISPLAY WAYLAND_DISPLAY
        export HOME="$home" XDG_DATA_HOME="$home/data" SDL_AUDIODRIVER=none
        exec timeout -k 2 10 "$launcher" "${argv[@]}"
    ) >"$scratch/out" 2>"$scratch/err" || status=$?
    [ "$status" -eq "$want" ] || fail "[$args]: status $status, not $want"
    other=err
    [ "$stream" = out ] || other=out
    [ "$(head -n1 "$scratch/$stream")" = "$first" ] ||
        fail "[$args]: std$stream begins [$(head -n1 "$scratch/$stream")], not [$first]"
    [ ! -s "$scratch/$other" ] || fail "[$args]: std$other holds [$(cat "$scratch/$other")]"
done <<EOF
0;out;Usage: velvet-lockout [--help | --version];--help
0;out;Velvet Lockout (V.L.O.) $version;--version
2;err;velvet-lockout: unknown argument '--helpme';--helpme
2;err;velvet-lockout: unknown argument 'game.sav';game.sav
2;err;velvet-lockout: too many arguments;--version --help
EOF

# Everything under the prefix, with sizes and modification times; compared
# after the run, so a file written, changed or added there is caught.
snapshot() { (cd "$1" && find . -printf '%p %y %s %T@\n' | LC_ALL=C sort); }
snapshot "$prefix" >"$scratch/prefix.before"

# -noreset: otherwise the server starts afresh each time its last client
# leaves, and the game connecting meanwhile (between two xdotool searches)
# would find no display.
exec 3>"$scratch/display"
Xvfb -displayfd 3 -screen 0 640x400x24 -nolisten tcp -noreset >"$scratch/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do
    [ -s "$scratch/display" ] && break
    sleep 0.1
done
[ -s "$scratch/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$scratch/display")"

(
    cd "$elsewhere"
    export HOME="$home" XDG_DATA_HOME="$home/data" SDL_AUDIODRIVER=dummy
    exec "$launcher"
) >"$scratch/game.log" 2>&1 &
game_pid=$!

window=""
for _ in $(seq 150); do
    window="$(xdotool search --name 'Velvet Lockout' 2>/dev/null | head -n1 || true)"
    [ -n "$window" ] && break
    kill -0 "$game_pid" 2>/dev/null || fail "the game ended before showing its window"
    sleep 0.1
done
[ -n "$window" ] || fail "no game window appeared"
sleep 0.5

# SIGTERM ends the game in order from the main menu as from anywhere; should
# it still be running, the menu's own Quit entry ends it: Up from "New Game"
# wraps to "Quit".
kill -TERM "$game_pid"
sleep 0.5
if kill -0 "$game_pid" 2>/dev/null; then
    xdotool key Up
    sleep 0.2
    xdotool key Return
fi
status=""
for _ in $(seq 100); do
    if ! kill -0 "$game_pid" 2>/dev/null; then
        wait "$game_pid" && status=0 || status=$?
        break
    fi
    sleep 0.1
done
[ -n "$status" ] || fail "the game did not quit"
game_pid=""
[ "$status" -eq 0 ] || fail "exit status $status"

user="$home/data/velvet-lockout"
[ -f "$user/game.cfg" ] || fail "game.cfg is not in $user"
for d in gfx music; do
    [ -L "$user/$d" ] || fail "$user/$d is not a link"
    [ "$(readlink -f "$user/$d")" = "$(readlink -f "$prefix/share/velvet-lockout/$d")" ] ||
        fail "$user/$d points to $(readlink "$user/$d")"
done
[ -z "$(ls -A "$elsewhere")" ] || fail "files written into the working directory: $(ls -A "$elsewhere")"
[ ! -e "$home/.local/share/velvet-lockout" ] || fail "XDG_DATA_HOME was ignored"
snapshot "$prefix" >"$scratch/prefix.after"
diff "$scratch/prefix.before" "$scratch/prefix.after" >"$scratch/prefix.diff" ||
    { cat "$scratch/prefix.diff"; fail "the installed tree changed while the game ran"; }

echo "PASS: installed launcher ran from $user"
