#!/usr/bin/env bash
# The X server dies: while snowfall starts, while it loads, and while the
# snow falls. Each time the program ends within a second with one line of
# its own on standard error and status 1: it neither hangs on the dead
# connection nor crashes.
# Usage: faults_lost_display.sh PATH/TO/snowfall
set -u
snowfall=$(realpath "$1")
. "$(dirname "$0")/e2e_lib.sh"
make_work

export SDL_AUDIODRIVER=dummy
limit=${FAULTS_END_LIMIT:-1}
# Seconds after the start, while SDL connects and OpenGL loads; "loading":
# once the display is open; "snowfall": once the picture shows.
for moment in 0.05 0.1 0.15 0.2 0.25 0.3 0.4 0.5 0.7 loading loading snowfall snowfall snowfall; do
    start_xvfb 1024x768x24
    start_snowfall
    case $moment in
    loading) wait_for_display ;;
    snowfall) wait_for_picture >/dev/null ;;
    *) sleep "$moment" ;;
    esac
    kill -KILL "$xserver"
    wait "$xserver" 2>/dev/null
    wait_for_exit "$(now)" "$limit"
    echo "killed at $moment: status $status after $took s: $(own_stderr)"
    [ "$status" -eq 1 ] || fail "status $status: $(cat "$work/stderr")"
    [ "$(own_stderr | wc -l)" -eq 1 ] || fail "not one line: $(cat "$work/stderr")"
    # A server gone before snowfall reached it was never its display.
    own_stderr | grep -qx -e "Lost the connection to the display" \
        -e "Unable to open the display: .*cannot be opened)" || fail "said: $(own_stderr)"
done
echo ok
