#!/usr/bin/env bash
# SIGINT (Ctrl-C in the terminal) or SIGTERM during the snowfall: the program
# ends promptly, its exit handlers run first (the display is given back, then
# the sound output stops), and the process dies of that signal, so its parent
# sees status 128 + n. One that comes during start-up does the same once
# start-up is through.
# Usage: faults_signal.sh INT|TERM PATH/TO/snowfall
set -u
sig=$1
snowfall=$(realpath "$2")
. "$(dirname "$0")/e2e_lib.sh"
in_xvfb "$@"
make_work
command -v strace >/dev/null || fail "strace is needed"

signum=$(kill -l "$sig") || fail "unknown signal $sig"
# Job control gives a background job the default action for SIGINT; without
# it a script's background jobs start with SIGINT ignored.
set -m
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/audio.raw"

# 1. As a user sees it: the process is soon gone, killed by the signal.
start_snowfall
wait_for_display
sleep 1.5
running || fail "snowfall ended by itself: $(cat "$work/stderr")"
size1=$(stat -c %s "$work/audio.raw")
sleep 0.3
size2=$(stat -c %s "$work/audio.raw")
[ "$size2" -gt "$size1" ] || fail "the sound output is not running"
kill -"$sig" "$pid"
wait_for_exit "$(now)" 10
echo "SIG$sig: status $status after $took s"
[ "$status" -eq $((128 + signum)) ] || fail "status $status, not death by SIG$sig ($((128 + signum)))"
# Within a second on a quiet machine; the bound (FAULTS_END_LIMIT seconds, 2
# if not set) leaves room for a busy one, where giving the GL context back
# waits on the driver's low-priority threads.
less_than "$took" "${FAULTS_END_LIMIT:-2}" || fail "took $took s to end"

# 2. What it does on the way out, as the system sees it: after the signal the
# connections to the X server are closed (the display is given back), then
# the sound output's file, and then the process sends itself the signal again
# and dies of it.
rm -f "$work/audio.raw"
xdotool mousemove 0 0
strace -f --seccomp-bpf -qq -yy -e trace=connect,close,tgkill -o "$work/trace" \
    "$snowfall" 2>"$work/stderr" &
tracer=$!
# The traced process, from the first line of the trace.
until traced=$(head -1 "$work/trace" 2>/dev/null | cut -d' ' -f1) && [ -n "$traced" ]; do
    alive "$tracer" || fail "strace ended: $(cat "$work/stderr")"
    sleep 0.01
done
pid=$tracer
wait_for_display
sleep 1.5
kill -"$sig" "$traced"
# strace ends as the process it traces ended.
wait_for_exit "$(now)" 20
[ "$status" -eq $((128 + signum)) ] || fail "traced: status $status"
pid=$traced

# The number of the last line of the main thread's trace that matches.
line() { grep -n -E "^$pid +$1" "$work/trace" | tail -1 | cut -d: -f1; }
got=$(line "--- SIG$sig \{si_signo=SIG$sig, si_code=SI_USER")
inodes=$(grep -E "^$pid +connect\([0-9]+<UNIX-STREAM:\[[0-9]+\]>, .*X11-unix" "$work/trace" |
    sed -E 's/.*UNIX-STREAM:\[([0-9]+)\].*/\1/')
[ -n "$got" ] || fail "the trace does not show the signal arriving"
[ -n "$inodes" ] || fail "the trace does not show the connection to the X server"
display=0
for inode in $inodes; do
    n=$(line "close\([0-9]+<UNIX-STREAM:\[$inode[]-]")
    [ -n "$n" ] || fail "the connection to the X server was not closed"
    [ "$n" -gt "$display" ] && display=$n
done
sound=$(line "close\([0-9]+<$work/audio.raw>\)")
again=$(line "tgkill\($pid, $pid, SIG$sig\)")
last=$(tail -1 "$work/trace" | tr -s ' ')
echo "signal at line $got, display closed at $display, sound output at $sound, signal again at $again"
[ -n "$sound" ] || fail "the sound output was not closed"
[ -n "$again" ] || fail "the process did not send itself SIG$sig"
[ "$got" -lt "$display" ] && [ "$display" -lt "$sound" ] && [ "$sound" -lt "$again" ] ||
    fail "not in the order signal, display, sound, death"
[ "$last" = "$pid +++ killed by SIG$sig +++" ] || fail "the trace ends with: $last"

# 3. A signal that comes while start-up is still loading (the display is open,
# the pictures and the jingle are not loaded yet) ends the program at its
# first frame, the same way.
start_snowfall
wait_for_display
kill -"$sig" "$pid"
wait_for_exit "$(now)" 20
echo "SIG$sig during start-up: status $status after $took s"
[ "$status" -eq $((128 + signum)) ] || fail "status $status, not death by SIG$sig"
echo ok
