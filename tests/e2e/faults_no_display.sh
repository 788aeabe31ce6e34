#!/usr/bin/env bash
# No display at all (no X server, no Wayland, no SDL_VIDEODRIVER): snowfall
# says on standard error what is missing, in one line of its own, and ends
# with status 1 within 2 s, without a crash or a core dump. Once with
# XDG_RUNTIME_DIR an empty folder, where no Wayland socket can be found, and
# once with it unset, where libwayland would complain in a line of its own.
# Usage: faults_no_display.sh PATH/TO/snowfall
set -u
snowfall=$(realpath "$1")
. "$(dirname "$0")/e2e_lib.sh"
make_work

for runtime in "XDG_RUNTIME_DIR=$work" "-u XDG_RUNTIME_DIR"; do
    t0=$(now)
    # shellcheck disable=SC2086
    env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER $runtime \
        timeout -s KILL 20 "$snowfall" >"$work/stdout" 2>"$work/stderr"
    status=$?
    took=$(seconds_since "$t0")
    echo "$runtime: status $status after $took s; standard error:"
    cat "$work/stderr"

    [ "$status" -eq 1 ] || fail "status $status without a display"
    less_than "$took" 2 || fail "took $took s"
    [ "$(own_stderr | wc -l)" -eq 1 ] || fail "not one line on standard error"
    own_stderr | grep -qx "Unable to open the display: no X11 or Wayland display found (DISPLAY is not set)" ||
        fail "standard error does not say that the display is missing"
    [ -z "$(ls "$work" | grep -i core)" ] || fail "a core dump was left"
done
echo ok
