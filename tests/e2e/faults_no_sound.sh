#!/usr/bin/env bash
# No sound output (SDL_AUDIODRIVER names a driver that does not exist): the
# scene runs as it does with one, picture and all, says nothing about sound,
# and Escape ends it with status 0.
# Usage: faults_no_sound.sh PATH/TO/snowfall
set -u
snowfall=$(realpath "$1")
. "$(dirname "$0")/e2e_lib.sh"
in_xvfb "$@"
make_work

export SDL_AUDIODRIVER=nonexistent
start_snowfall
# Start-up takes its time on a busy machine: the picture is waited for.
wait_for_picture

hold_escape
wait_for_exit "$(now)" 30
echo "status $status, $took s after Escape; standard error:"
cat "$work/stderr"
[ "$status" -eq 0 ] || fail "status $status"
check_leaks
! own_stderr | grep -Eqi "audio|sound|mixer|alsa|pulse" || fail "something was said about sound"
echo ok
