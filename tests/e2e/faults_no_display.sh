#!/usr/bin/env bash
# No display at all (no X server, no Wayland, no SDL_VIDEODRIVER): snowfall
# says on standard error what is missing and ends with a status other than 0,
# within 2 s, without a crash or a core dump.
# Usage: faults_no_display.sh PATH/TO/snowfall
set -u
snowfall=$(realpath "$1")
. "$(dirname "$0")/e2e_lib.sh"
make_work

t0=$(now)
# XDG_RUNTIME_DIR points at an empty folder, so that no Wayland socket can be
# found there either.
env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER XDG_RUNTIME_DIR="$work" \
    timeout -s KILL 20 "$snowfall" >"$work/stdout" 2>"$work/stderr"
status=$?
took=$(seconds_since "$t0")
echo "status $status after $took s; standard error:"
cat "$work/stderr"

[ "$status" -ne 0 ] || fail "status 0 without a display"
[ "$status" -lt 128 ] || fail "ended by signal $((status - 128)), not by an exit"
less_than "$took" 2 || fail "took $took s"
own_stderr | grep -qi "display" || fail "standard error does not say that the display is missing"
own_stderr | grep -q "DISPLAY" || fail "standard error does not name DISPLAY"
[ -z "$(ls "$work" | grep -i core)" ] || fail "a core dump was left"
echo ok
