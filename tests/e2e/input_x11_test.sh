#!/bin/sh
# Escape pressed through the X server (XTEST, as a user's keyboard) reaches
# KeyDown(27): held while down, released when up; the server's automatic
# repeats while it is held come as repeats, not as new presses. Starts its
# own Xvfb.
# Usage: input_x11_test.sh PATH/TO/input_x11
set -u
prog=$1
command -v xvfb-run >/dev/null && command -v xdotool >/dev/null || {
    echo "xvfb-run and xdotool are needed" >&2
    exit 1
}
out=$(mktemp)
trap 'rm -f "$out"' EXIT

# The whole exchange runs inside one xvfb-run so that xdotool talks to the
# same server.
timeout 60 xvfb-run -a sh -c '
    "$1" >"$2" &
    pid=$!
    i=0
    until grep -q "^ready" "$2"; do
        i=$((i + 1))
        [ $i -gt 200 ] && { kill $pid; exit 1; }
        kill -0 $pid 2>/dev/null || exit 1
        sleep 0.05
    done
    xdotool keydown Escape
    sleep 1
    xdotool keyup Escape
    wait $pid
' sh "$prog" "$out"
status=$?
cat "$out"
[ $status -eq 0 ] || { echo "input_x11 failed with status $status" >&2; exit 1; }
[ "$(grep -c '^key-down' "$out")" -eq 1 ] && grep -qx "key-down 27" "$out" || {
    echo "expected exactly one key-down, for code 27" >&2
    exit 1
}
grep -qx "held 27" "$out" && grep -qx "released 27" "$out" || exit 1
echo "ok"
