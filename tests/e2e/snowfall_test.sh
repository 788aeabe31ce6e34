#!/usr/bin/env bash
# The program end to end, as a user meets it, in an Xvfb of its own: the
# snowfall over the night picture, a close request from the window system
# that changes nothing, Escape, the fade and exit status 0, and the jingle on
# the sound output (SDL's disk driver, which writes what it plays to a file).
# Usage: snowfall_test.sh SNOWFALL CLOSEWINDOW JINGLECHECK MEDIA_DIR
# It must end within E2E_EXIT_LIMIT seconds of Escape (3 if not set); with
# E2E_SCREENSHOT=path set, the screenshot of the running scene is kept there.
set -u
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
[ $# -eq 4 ] || fail "usage: snowfall_test.sh SNOWFALL CLOSEWINDOW JINGLECHECK MEDIA_DIR"

# Again inside an Xvfb of its own, 1024 x 768 at 24 bits; the server number
# starts at a place of its own so that tests run side by side do not race.
if [ -z "${SNOWFALL_E2E_IN_XVFB:-}" ]; then
    command -v xvfb-run >/dev/null && command -v xdotool >/dev/null &&
        command -v import >/dev/null || fail "xvfb-run, xdotool and ImageMagick are needed"
    SNOWFALL_E2E_IN_XVFB=1 exec xvfb-run -a -n $((200 + $$ % 700)) \
        -s "-screen 0 1024x768x24" bash "$0" "$@"
fi

snowfall=$(realpath "$1")
closewindow=$(realpath "$2")
jinglecheck=$(realpath "$3")
media=$(realpath "$4")
work=$(mktemp -d)
trap 'kill -KILL $pid 2>/dev/null; rm -rf "$work"' EXIT
pid=

now() { date +%s.%N; }
seconds_since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }'; }
less_than() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }
running() { kill -0 "$pid" 2>/dev/null && [ "$(sed 's/.*) //' "/proc/$pid/stat" | cut -c1)" != Z ]; }
# Mean of the screen's grey levels (0 to 1) over WIDTHxHEIGHT+X+Y of a picture.
mean_of() { convert "$1" -crop "$2" +repage -colorspace Gray -format '%[fx:mean]' info:; }

# The disk driver writes at the pace it would play (SDL's default delay), so
# the file holds what a listener would have heard so far.
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/sound.raw" "$snowfall" 2>"$work/stderr" &
pid=$!

# The scene is up once the snow-covered ground of the picture shows.
t0=$(now)
while :; do
    running || fail "snowfall ended at start-up: $(cat "$work/stderr")"
    less_than "$(seconds_since "$t0")" 60 || fail "no picture 60 s after the start"
    import -window root "$work/shot.png" 2>/dev/null &&
        less_than 0.5 "$(mean_of "$work/shot.png" 1024x208+0+560)" && break
    sleep 0.2
done
echo "the picture shows after $(seconds_since "$t0") s"

# Two seconds of snowfall.
sleep 2
import -window root "$work/shot.png" || fail "no screenshot"
[ -n "${E2E_SCREENSHOT:-}" ] && cp "$work/shot.png" "$E2E_SCREENSHOT"
# Not a black screen.
whole=$(mean_of "$work/shot.png" 1024x768+0+0)
less_than 0.15 "$whole" || fail "the screen is dark: mean $whole"
# Below the snow line only the picture shows, one to one: the light ground.
convert "$work/shot.png" "$media/pic4.png" -compose difference -composite "$work/diff.png"
ground=$(mean_of "$work/shot.png" 1024x208+0+560)
ground_diff=$(mean_of "$work/diff.png" 1024x208+0+560)
less_than 0.6 "$ground" || fail "the ground is not light: mean $ground"
less_than "$ground_diff" 0.02 || fail "the ground differs from the picture by $ground_diff"
# Above it, flakes add their light to the night sky: a good part of the sky
# is clearly brighter than the picture there.
flakes=$(convert "$work/diff.png" -crop 1024x480+0+0 +repage -colorspace Gray -threshold 15% \
    -format '%[fx:mean]' info:)
less_than 0.02 "$flakes" || fail "no flakes over the sky: $flakes of it brighter than the picture"
echo "screen mean $whole, ground $ground (off the picture by $ground_diff), sky under flakes $flakes"

# The window system's close request: refused, the snowfall goes on.
"$closewindow" "$pid" || fail "no window of snowfall took the close request"
sleep 1
running || fail "snowfall ended on the close request: $(cat "$work/stderr")"

# Escape, held for a while: only a key down when the frame looks at the
# keyboard counts, and a quick tap may fall between two frames' looks. The
# time counts from the moment the key is down.
xdotool keydown Escape
t0=$(now)
sleep 0.2
xdotool keyup Escape
while running; do
    less_than "$(seconds_since "$t0")" 10 || fail "snowfall still running 10 s after Escape"
    sleep 0.02
done
took=$(seconds_since "$t0")
status=0
wait "$pid" || status=$?
pid=
echo "exit status $status, $took s after Escape"
[ "$status" -eq 0 ] || fail "exit status $status: $(cat "$work/stderr")"
less_than "$took" "${E2E_EXIT_LIMIT:-3}" || fail "ended only $took s after Escape"
less_than 1.5 "$took" || fail "ended $took s after Escape: no whole fade"
# Under LeakSanitizer (run with exitcode=0), a leak report may name only
# libraries below us: no frame of any leak may lie in our own code.
if grep -q "ERROR: LeakSanitizer" "$work/stderr"; then
    grep -E '^ +#[0-9]+ ' "$work/stderr" | grep -qF -e "$snowfall" -e "$(dirname "$media")/" &&
        fail "memory of our own leaks: $(cat "$work/stderr")"
    echo "leaks reported below our code only: $(grep SUMMARY "$work/stderr")"
fi

# The jingle's first samples on the sound output.
"$jinglecheck" "$work/sound.raw" "$media/hohoho.ogg" || fail "the jingle is not on the sound output"
echo ok
