# Shared by the end-to-end tests (snowfall_test.sh, escape_before_display.sh,
# faults_*.sh, wayland_test.sh, fresh_clone_test.sh): sourced, never run on
# its own. Each test starts snowfall itself, in an Xvfb of its own where it
# needs one, sets pid, and judges the program only by what a user or the
# system can see.

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
# True while the snowfall the test started, $pid, runs.
running() { [ -n "$pid" ] && alive "$pid"; }

# Runs the calling script again inside an Xvfb of its own, 1024 x 768 at 24
# bits, unless it already is. The server number starts at a place of its own
# so that tests run side by side do not race for the same one. -noreset keeps
# the server as it is between clients: without it, whenever the last client
# (an xdotool call) disconnects, the pointer goes back to the centre and keys
# held down go up. xvfb_reset=1 leaves it out.
in_xvfb() {
    [ -n "${E2E_IN_XVFB:-}" ] && return 0
    command -v xvfb-run >/dev/null && command -v xdotool >/dev/null &&
        command -v import >/dev/null || fail "xvfb-run, xdotool and ImageMagick are needed"
    local keep=-noreset
    [ -n "${xvfb_reset:-}" ] && keep=
    E2E_IN_XVFB=1 exec xvfb-run -a -n $((100 + $$ % 800)) \
        -s "-screen 0 1024x768x24 $keep" bash "$0" "$@"
}

# start_xvfb SCREEN [ARG...]: an X server of the test's own, for a test that
# needs one of another kind or kills it, on a free display that it picks
# itself; sets DISPLAY and xserver. make_work's end stops it.
start_xvfb() {
    local screen=$1
    shift
    rm -f "$work/displayfd"
    Xvfb -displayfd 3 -screen 0 "$screen" -noreset "$@" 3>"$work/displayfd" 2>/dev/null &
    xserver=$!
    # Up to 20 s: a busy machine starts it slowly.
    local i
    for i in $(seq 400); do
        [ -s "$work/displayfd" ] && break
        sleep 0.05
    done
    [ -s "$work/displayfd" ] || fail "Xvfb did not start"
    export DISPLAY=:$(cat "$work/displayfd")
}

# A scratch folder, $work, removed at the end; the current folder, so that a
# core dump would land in it. However the test ends, the snowfall it started
# is stopped ($traced: one that strace runs), and so is the Wayland
# compositor it started, $compositor, and the X server when xvfb-run, which
# stops it otherwise, was killed before the test ended.
pid= traced= compositor= xserver=
make_work() {
    work=$(mktemp -d)
    xserver=$(pgrep -P "$PPID" -x Xvfb)
    trap 'kill -KILL $pid $traced $compositor 2>/dev/null; [ -n "${E2E_IN_XVFB:-}" ] && alive "$PPID" || kill -TERM $xserver 2>/dev/null; rm -rf "$work"' EXIT
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

# Waits until Graphics has returned: it puts the pointer at the centre of the
# display, after it has switched polled input on.
wait_for_display() {
    local t0 X Y SCREEN WINDOW
    t0=$(now)
    while :; do
        eval "$(xdotool getmouselocation --shell)"
        [ "$X" = 512 ] && [ "$Y" = 384 ] && return 0
        running || fail "snowfall ended before its display opened: $(cat "$work/stderr")"
        less_than "$(seconds_since "$t0")" 30 || fail "no display after 30 s"
        sleep 0.02
    done
}

# Mean of the grey levels (0 to 1) over WIDTHxHEIGHT+X+Y of a picture.
mean_of() { convert "$1" -crop "$2" +repage -colorspace Gray -format '%[fx:mean]' info:; }

# The ground below the snow line, where only the picture shows.
ground=1024x208+0+560

# off_picture PICTURE: the difference between the screenshot $work/shot.png
# and PICTURE, pixel by pixel from the top left, in $work/diff.png; prints
# its mean over the ground.
off_picture() {
    convert "$work/shot.png" "$1" -compose difference -composite "$work/diff.png" &&
        mean_of "$work/diff.png" "$ground"
}

# wait_for_picture [LIMIT]: waits until the scene is up, the snow-covered
# ground of the picture showing, at most LIMIT seconds (60 if not given).
# Ground that is merely light is not enough: Weston's desktop is light too,
# and shows before the program's window, which starts black.
wait_for_picture() {
    local t0 limit=${1:-60} off
    t0=$(now)
    while :; do
        running || fail "snowfall ended before its picture showed: $(cat "$work/stderr")"
        less_than "$(seconds_since "$t0")" "$limit" || fail "no picture $limit s after the start"
        if import -window root "$work/shot.png" 2>/dev/null; then
            off=$(off_picture "$source_dir/media/pic4.png") && less_than "$off" 0.02 && break
        fi
        sleep 0.2
    done
    echo "the picture shows after $(seconds_since "$t0") s"
}

# check_scene MEDIA_DIR: the screenshot $work/shot.png shows the snowfall
# running over the night picture in MEDIA_DIR.
check_scene() {
    local whole light ground_diff flakes
    # Not a black screen.
    whole=$(mean_of "$work/shot.png" 1024x768+0+0)
    less_than 0.15 "$whole" || fail "the screen is dark: mean $whole"
    # Below the snow line only the picture shows, one to one: the light ground.
    ground_diff=$(off_picture "$1/pic4.png")
    light=$(mean_of "$work/shot.png" "$ground")
    less_than 0.6 "$light" || fail "the ground is not light: mean $light"
    less_than "$ground_diff" 0.02 || fail "the ground differs from the picture by $ground_diff"
    # Above it, flakes add their light to the night sky: a good part of the sky
    # is clearly brighter than the picture there.
    flakes=$(convert "$work/diff.png" -crop 1024x480+0+0 +repage -colorspace Gray -threshold 15% \
        -format '%[fx:mean]' info:)
    less_than 0.02 "$flakes" || fail "no flakes over the sky: $flakes of it brighter than the picture"
    echo "screen mean $whole, ground $light (off the picture by $ground_diff), sky under flakes $flakes"
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
# seconds have passed since T0; sets took (seconds since T0) and status
# (128 + n for a death by signal n), and clears pid.
wait_for_exit() {
    while running; do
        less_than "$(seconds_since "$1")" "$2" || fail "snowfall still running $(seconds_since "$1") s later"
        sleep 0.01
    done
    took=$(seconds_since "$1")
    status=0
    wait "$pid" || status=$?
    pid=
}

# snowfall's own standard error, without the LeakSanitizer report, or the
# list of the suppressions it used, that an instrumented build may add when
# it exits.
own_stderr() { sed '/^==========*$/,$d; /^----------*$/,$d' "$work/stderr"; }

# A normal run says nothing on standard error: nothing but the banner of
# SDL's disk audio driver, which the tests listen through.
check_quiet() {
    local said
    said=$(own_stderr | grep -v -e '^CRITICAL: You are using the SDL disk i/o audio driver!$' \
        -e '^CRITICAL:  Writing to file \[.*\]\.$')
    [ -z "$said" ] || fail "snowfall said on standard error: $said"
}

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
