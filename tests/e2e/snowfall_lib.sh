# Shared by the program's end-to-end tests (snowfall_test.sh,
# escape_before_display.sh): sourced, never run on its own. Each test starts
# snowfall in an Xvfb of its own, sets pid, and judges it by what a user sees.

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

now() { date +%s.%N; }
seconds_since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }'; }
less_than() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }
# True while process $1 runs (an exited one waiting to be reaped is a zombie).
alive() {
    local state
    state=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -c1) || return 1
    [ -n "$state" ] && [ "$state" != Z ]
}
running() { [ -n "$pid" ] && alive "$pid"; }
# Mean of the screen's grey levels (0 to 1) over WIDTHxHEIGHT+X+Y of a picture.
mean_of() { convert "$1" -crop "$2" +repage -colorspace Gray -format '%[fx:mean]' info:; }

# Runs the calling script again inside an Xvfb of its own, 1024 x 768 at 24
# bits, unless it already is; the server number starts at a place of its own
# so that tests run side by side do not race.
in_xvfb() {
    [ -n "${SNOWFALL_E2E_IN_XVFB:-}" ] && return 0
    command -v xvfb-run >/dev/null && command -v xdotool >/dev/null &&
        command -v import >/dev/null || fail "xvfb-run, xdotool and ImageMagick are needed"
    SNOWFALL_E2E_IN_XVFB=1 exec xvfb-run -a -n $((200 + $$ % 700)) \
        -s "-screen 0 1024x768x24" bash "$0" "$@"
}

# A scratch folder, $work, removed at the end. However the test ends, the
# snowfall it started is stopped, and so is the X server when xvfb-run,
# which stops it otherwise, was killed before the test ended.
pid= xserver=
make_work() {
    work=$(mktemp -d)
    xserver=$(pgrep -P "$PPID" -x Xvfb)
    trap 'kill -KILL $pid 2>/dev/null; alive "$PPID" || kill -TERM $xserver 2>/dev/null; rm -rf "$work"' EXIT
    trap 'exit 1' INT TERM HUP
}

# Waits until the scene is up: the snow-covered ground of the picture shows.
wait_for_picture() {
    local t0
    t0=$(now)
    while :; do
        running || fail "snowfall ended before its picture showed: $(cat "$work/stderr")"
        less_than "$(seconds_since "$t0")" 60 || fail "no picture 60 s after the start"
        import -window root "$work/shot.png" 2>/dev/null &&
            less_than 0.5 "$(mean_of "$work/shot.png" 1024x208+0+560)" && break
        sleep 0.2
    done
    echo "the picture shows after $(seconds_since "$t0") s"
}

# Escape, held for a while: only a key down when the frame looks at the
# keyboard counts, and a quick tap may fall between two frames' looks. Sets
# pressed, the moment the key went down.
hold_escape() {
    xdotool keydown Escape
    pressed=$(now)
    sleep 0.2
    xdotool keyup Escape
}

# wait_for_exit T0 LIMIT: waits for snowfall to end, failing once LIMIT
# seconds have passed since T0; sets took (seconds since T0) and status.
wait_for_exit() {
    while running; do
        less_than "$(seconds_since "$1")" "$2" || fail "still not ended $(seconds_since "$1") s after Escape"
        sleep 0.02
    done
    took=$(seconds_since "$1")
    status=0
    wait "$pid" || status=$?
    pid=
}

# Under LeakSanitizer (run with exitcode=0, see tests/CMakeLists.txt), a leak
# report may name only libraries below us: no frame of any leak may lie in
# our own code.
check_leaks() {
    grep -q "ERROR: LeakSanitizer" "$work/stderr" || return 0
    grep -E '^ +#[0-9]+ ' "$work/stderr" | grep -qF -e "$snowfall" -e "$source_dir/" &&
        fail "memory of our own leaks: $(cat "$work/stderr")"
    echo "leaks reported below our code only: $(grep SUMMARY "$work/stderr")"
}
source_dir=$(realpath "$(dirname "${BASH_SOURCE[0]}")/../..")
