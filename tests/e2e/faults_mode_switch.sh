#!/usr/bin/env bash
# A 1920 x 1080 screen that offers 1024 x 768: snowfall switches to it and its
# window covers the switched screen exactly, the picture whole. A second copy
# started meanwhile ends at once, saying why, and leaves the mode alone.
# SIGHUP (the terminal closing) and SIGTERM each give the previous mode back.
# Usage: faults_mode_switch.sh PATH/TO/snowfall
set -u
snowfall=$(realpath "$1")
. "$(dirname "$0")/e2e_lib.sh"
make_work
command -v xrandr >/dev/null && command -v xwininfo >/dev/null || fail "xrandr and xwininfo are needed"

export SDL_AUDIODRIVER=dummy
start_xvfb 1920x1080x24
xrandr --newmode 1024x768_60 65.00 1024 1048 1184 1344 768 771 777 806 -hsync -vsync &&
    xrandr --addmode screen 1024x768_60 || fail "no 1024 x 768 mode for the screen"
screen() { xrandr | sed -n 's/.* current \([0-9]*\) x \([0-9]*\),.*/\1x\2/p'; }
[ "$(screen)" = 1920x1080 ] || fail "the screen starts at $(screen)"

for sig in HUP TERM; do
    start_snowfall
    wait_for_picture
    [ "$(screen)" = 1024x768 ] || fail "the screen is at $(screen)"
    geometry=$(xwininfo -root -tree | sed -n 's/.*"snowfall": (.*)  *\([0-9x+-]*\) .*/\1/p')
    echo "screen $(screen), window $geometry"
    [ "$geometry" = 1024x768+0+0 ] || fail "the window is at $geometry"
    # The picture's snowy ground reaches the right-hand edge.
    less_than 0.5 "$(mean_of "$work/shot.png" 64x100+960+600)" || fail "the right of the picture is dark"

    # A second copy: one line, status 1, at once; the first one runs on.
    first=$pid
    t0=$(now)
    "$snowfall" 2>"$work/stderr2"
    second=$?
    echo "a second copy: status $second after $(seconds_since "$t0") s: $(cat "$work/stderr2")"
    [ "$second" -eq 1 ] || fail "the second copy's status is $second"
    grep -qx "Unable to take over the display: snowfall is already running on it" "$work/stderr2" ||
        fail "the second copy said: $(cat "$work/stderr2")"
    [ "$(screen)" = 1024x768 ] && running || fail "the second copy disturbed the first"

    kill -"$sig" "$first"
    wait_for_exit "$(now)" 10
    echo "SIG$sig: status $status after $took s, the screen at $(screen)"
    [ "$status" -eq $((128 + $(kill -l "$sig"))) ] || fail "status $status after SIG$sig"
    [ "$(screen)" = 1920x1080 ] || fail "SIG$sig left the screen at $(screen)"
done
echo ok
