#!/usr/bin/env bash
# The program end to end, as a user meets it, in an Xvfb of its own: the
# snowfall over the night picture, a close request from the window system
# that changes nothing, Escape, the fade and exit status 0, nothing said on
# standard error, and the jingle on the sound output (SDL's disk driver,
# which writes what it plays to a file).
# Usage: snowfall_test.sh SNOWFALL CLOSEWINDOW JINGLECHECK MEDIA_DIR
# It must end within E2E_EXIT_LIMIT seconds of Escape (10 if not set), and not
# before the whole fade has run (101 frames, some 1.7 s at 60 Hz); with
# E2E_SCREENSHOT=path set, the screenshot of the running scene is kept there.
set -u
. "$(dirname "$0")/e2e_lib.sh"
[ $# -eq 4 ] || fail "usage: snowfall_test.sh SNOWFALL CLOSEWINDOW JINGLECHECK MEDIA_DIR"
in_xvfb "$@"

snowfall=$(realpath "$1")
closewindow=$(realpath "$2")
jinglecheck=$(realpath "$3")
media=$(realpath "$4")
make_work

# The disk driver writes at the pace it would play (SDL's default delay), so
# the file holds what a listener would have heard so far.
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/sound.raw" "$snowfall" 2>"$work/stderr" &
pid=$!

wait_for_picture

# Two seconds of snowfall.
sleep 2
import -window root "$work/shot.png" || fail "no screenshot"
[ -n "${E2E_SCREENSHOT:-}" ] && cp "$work/shot.png" "$E2E_SCREENSHOT"
check_scene "$media"

# The window system's close request: refused, the snowfall goes on.
"$closewindow" "$pid" || fail "no window of snowfall took the close request"
sleep 1
running || fail "snowfall ended on the close request: $(cat "$work/stderr")"

# Escape; the time counts from the moment the key is down.
hold_escape
limit=${E2E_EXIT_LIMIT:-10}
wait_for_exit "$pressed" "$limit"
echo "exit status $status, $took s after Escape"
[ "$status" -eq 0 ] || fail "exit status $status: $(cat "$work/stderr")"
less_than "$took" "$limit" || fail "still not ended $took s after Escape"
less_than 1.5 "$took" || fail "ended $took s after Escape: no whole fade"
check_quiet
check_leaks

# The jingle's first samples on the sound output.
"$jinglecheck" "$work/sound.raw" "$media/hohoho.ogg" || fail "the jingle is not on the sound output"
echo ok
