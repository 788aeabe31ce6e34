#!/usr/bin/env bash
# Escape pressed before snowfall starts: the program never sees that press,
# so the snowfall runs on; pressed anew, Escape starts the fade and the
# program ends with status 0.
# Usage: escape_before_display.sh SNOWFALL
set -u
. "$(dirname "$0")/e2e_lib.sh"
[ $# -eq 1 ] || fail "usage: escape_before_display.sh SNOWFALL"
# A server that resets when xdotool disconnects, which lets Escape up again
# before snowfall starts. A key still held when the window gets the keyboard
# is reported by SDL on X11 as a fresh press, and would end the snowfall.
xvfb_reset=1 in_xvfb "$@"

snowfall=$(realpath "$1")
make_work

xdotool keydown Escape
SDL_AUDIODRIVER=dummy "$snowfall" 2>"$work/stderr" &
pid=$!
sleep 3
running || fail "snowfall ended within 3 s of its start with Escape held from before: $(cat "$work/stderr")"
# And still once its frames have surely looked at the keyboard.
wait_for_picture
sleep 1
running || fail "snowfall ended on the Escape held from before its start: $(cat "$work/stderr")"
xdotool keyup Escape

hold_escape
wait_for_exit "$pressed" 10
echo "exit status $status, $took s after Escape"
[ "$status" -eq 0 ] || fail "exit status $status: $(cat "$work/stderr")"
check_leaks
echo ok
