#!/usr/bin/env bash
# Escape pressed while start-up is still loading, once the display is open,
# and held: start-up runs to its end, one frame is shown, then the closing
# fade, and the program ends with status 0.
# Usage: faults_escape_startup.sh PATH/TO/snowfall
set -u
snowfall=$(realpath "$1")
. "$(dirname "$0")/e2e_lib.sh"
in_xvfb "$@"
make_work

export SDL_AUDIODRIVER=dummy
start_snowfall
# Graphics has returned; the pictures and the jingle are still to be loaded.
wait_for_display
t0=$(now)
xdotool keydown Escape
wait_for_exit "$(now)" 40
took=$(seconds_since "$t0")
xdotool keyup Escape
echo "status $status, $took s after Escape; standard error:"
cat "$work/stderr"
[ "$status" -eq 0 ] || fail "status $status"
check_leaks
less_than 1.6 "$took" || fail "ended $took s after Escape: no whole fade"
echo ok
