#!/usr/bin/env bash
# Escape pressed before snowfall starts and held across the start: the
# program never sees that press, so the snowfall runs on for as long as the
# key stays down, though the X server repeats it to the window; pressed
# anew, Escape starts the fade and the program ends with status 0.
# Usage: escape_before_display.sh SNOWFALL
set -u
. "$(dirname "$0")/e2e_lib.sh"
[ $# -eq 1 ] || fail "usage: escape_before_display.sh SNOWFALL"
# The server keeps the key down between xdotool's calls (-noreset).
in_xvfb "$@"

snowfall=$(realpath "$1")
make_work

xdotool keydown Escape
held=$(now)
SDL_AUDIODRIVER=dummy "$snowfall" 2>"$work/stderr" &
pid=$!
wait_for_picture
# Held for at least 5 s, the frames looking at the keyboard all along.
while less_than "$(seconds_since "$held")" 6; do
    running || fail "snowfall ended $(seconds_since "$held") s into Escape held from before: $(cat "$work/stderr")"
    sleep 0.1
done
xdotool keyup Escape
echo "Escape held $(seconds_since "$held") s across the start: the snowfall ran on"
sleep 0.5
running || fail "snowfall ended as Escape went up: $(cat "$work/stderr")"

hold_escape
wait_for_exit "$pressed" 10
echo "exit status $status, $took s after Escape"
[ "$status" -eq 0 ] || fail "exit status $status: $(cat "$work/stderr")"
check_leaks
echo ok
