# Shared by the fault tests (faults_*.sh): sourced, never run on its own.
# Each test starts snowfall itself, in an Xvfb of its own where it needs one,
# and judges it only by what a user or the system can see.

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

now() { date +%s.%N; }
seconds_since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }'; }
less_than() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }

# Runs the calling script again inside an Xvfb of its own, 1024 x 768 at 24
# bits, unless it already is. The server number starts at a place of its own
# so that tests run side by side do not race for the same one. -noreset keeps
# the server as it is between clients: without it, the pointer goes back to
# the centre whenever the last client (an xdotool call) disconnects.
in_xvfb() {
    [ -n "${FAULTS_IN_XVFB:-}" ] && return 0
    command -v xvfb-run >/dev/null && command -v xdotool >/dev/null ||
        fail "xvfb-run and xdotool are needed"
    FAULTS_IN_XVFB=1 exec xvfb-run -a -n $((100 + $$ % 800)) \
        -s "-screen 0 1024x768x24 -noreset" bash "$0" "$@"
}

# A scratch folder, removed at the end; the current folder, so that a core
# dump would land in it. A snowfall still running when the test ends, however
# it ends, is stopped ($traced: one that strace runs).
pid= traced=
make_work() {
    work=$(mktemp -d)
    trap 'kill -KILL $pid $traced 2>/dev/null; rm -rf "$work"' EXIT
    trap 'exit 1' INT TERM HUP
    cd "$work" || fail "no scratch folder"
}

# Starts snowfall in the background, its standard error in $work/stderr, with
# the pointer moved away from the centre first; sets pid.
start_snowfall() {
    xdotool mousemove 0 0
    "$snowfall" 2>"$work/stderr" &
    pid=$!
}

# True while the process runs (an exited one waiting to be reaped is a zombie).
running() {
    local state
    state=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -c1) || return 1
    [ -n "$state" ] && [ "$state" != Z ]
}

# Waits until Graphics has returned: it puts the pointer at the centre of the
# display, after it has switched polled input on.
wait_for_display() {
    local t0 X Y SCREEN WINDOW
    t0=$(now)
    while :; do
        eval "$(xdotool getmouselocation --shell)"
        [ "$X" = 512 ] && [ "$Y" = 384 ] && return 0
        running "$pid" || fail "snowfall ended before its display opened: $(cat "$work/stderr")"
        less_than "$(seconds_since "$t0")" 30 || fail "no display after 30 s"
        sleep 0.02
    done
}

# wait_for_exit LIMIT: waits at most LIMIT seconds for snowfall to end; sets
# status (128 + n for a death by signal n) and took (seconds waited).
wait_for_exit() {
    local t0
    t0=$(now)
    while running "$pid"; do
        if ! less_than "$(seconds_since "$t0")" "$1"; then
            kill -KILL "$pid"
            wait "$pid"
            fail "snowfall still running $1 s later"
        fi
        sleep 0.01
    done
    took=$(seconds_since "$t0")
    status=0
    wait "$pid" || status=$?
}

# snowfall's own standard error, without the LeakSanitizer report that an
# instrumented build may add when it exits.
own_stderr() { sed '/^==========*$/,$d' "$work/stderr"; }

# Under LeakSanitizer (run with exitcode=0, see tests/CMakeLists.txt) a leak
# report may name only the libraries below snowfall: no frame of any leak
# may lie in our own code.
check_leaks() {
    grep -q "ERROR: LeakSanitizer" "$work/stderr" || return 0
    grep -E '^ +#[0-9]+ ' "$work/stderr" | grep -qF -e "$snowfall" -e "$source_dir/" &&
        fail "our own code leaks: $(cat "$work/stderr")"
    echo "leaks reported below our code only: $(grep SUMMARY "$work/stderr")"
}
source_dir=$(realpath "$(dirname "${BASH_SOURCE[0]}")/../..")

# Mean brightness (0 to 1) of a band of rows of the screen: Y HEIGHT.
screen_band_mean() {
    import -window root "$work/shot.png" &&
        convert "$work/shot.png" -crop "1024x$2+0+$1" -colorspace Gray -format '%[fx:mean]' info:
}
