#!/usr/bin/env bash
# Escape held through the whole closing fade, and other keys pressed during
# it: nothing cuts the fade short or stops it, and the program ends with
# status 0 once its 101 frames (1.68 s at 60 Hz) have been shown.
# Usage: faults_escape_fade.sh PATH/TO/snowfall
set -u
snowfall=$(realpath "$1")
. "$(dirname "$0")/e2e_lib.sh"
in_xvfb "$@"
make_work

export SDL_AUDIODRIVER=dummy
start_snowfall
wait_for_display
sleep 1.5
running || fail "snowfall ended by itself: $(cat "$work/stderr")"

t0=$(now)
xdotool keydown Escape
sleep 0.4
xdotool key a space Return
xdotool keydown Up
sleep 0.4
xdotool keyup Up key Escape
xdotool keydown Escape
sleep 0.3
xdotool key x
wait_for_exit "$(now)" 30
took=$(seconds_since "$t0")
xdotool keyup Escape
echo "status $status, $took s after Escape; standard error:"
cat "$work/stderr"
[ "$status" -eq 0 ] || fail "status $status"
check_leaks
less_than 1.6 "$took" || fail "ended $took s after Escape: the fade was cut short"
echo ok
