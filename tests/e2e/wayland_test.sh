#!/usr/bin/env bash
# The program on Wayland, as a user meets it there: a Weston compositor with
# its X11 backend in an Xvfb of the test's own (Weston's headless backend has
# no seat, and SDL cannot start without one), and snowfall with only
# WAYLAND_DISPLAY to find a display by. The scene shows full screen, keys
# typed on the X server reach it through Weston, Escape ends it with status 0,
# and it says nothing on standard error.
# Usage: wayland_test.sh SNOWFALL MEDIA_DIR
set -u
. "$(dirname "$0")/e2e_lib.sh"
[ $# -eq 2 ] || fail "usage: wayland_test.sh SNOWFALL MEDIA_DIR"
command -v weston >/dev/null || fail "weston is needed"
in_xvfb "$@"

snowfall=$(realpath "$1")
media=$(realpath "$2")
make_work

# Weston's socket in a runtime folder of the test's own; its output fills the
# X screen.
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
weston --backend=x11-backend.so --socket=snowfall --width=1024 --height=768 --idle-time=0 \
    >"$work/weston.log" 2>&1 &
compositor=$!
t0=$(now)
until [ -S "$XDG_RUNTIME_DIR/snowfall" ]; do
    alive "$compositor" || fail "weston ended: $(cat "$work/weston.log")"
    less_than "$(seconds_since "$t0")" 30 || fail "no Wayland socket after 30 s"
    sleep 0.05
done

env -u DISPLAY WAYLAND_DISPLAY=snowfall SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/sound.raw" \
    "$snowfall" 2>"$work/stderr" &
pid=$!

wait_for_picture
sleep 1
import -window root "$work/shot.png" || fail "no screenshot"
check_scene "$media"

hold_escape
wait_for_exit "$pressed" "${E2E_EXIT_LIMIT:-10}"
echo "exit status $status, $took s after Escape"
[ "$status" -eq 0 ] || fail "exit status $status: $(cat "$work/stderr")"
check_quiet
check_leaks
echo ok
