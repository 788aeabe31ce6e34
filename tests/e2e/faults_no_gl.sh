#!/usr/bin/env bash
# A display that OpenGL cannot draw on: the OpenGL library missing, an X
# server without GLX, an 8-bit screen. snowfall says "Unable to create GL
# Context", that line alone, and ends with status 1.
# Usage: faults_no_gl.sh PATH/TO/snowfall
set -u
snowfall=$(realpath "$1")
. "$(dirname "$0")/e2e_lib.sh"
make_work

export SDL_AUDIODRIVER=dummy
for case in "no library" "no GLX" "8 bits"; do
    library=(env -u SDL_OPENGL_LIBRARY)
    case $case in
    "no library") start_xvfb 1024x768x24; library=(env SDL_OPENGL_LIBRARY=/nonexistent/libGL.so) ;;
    "no GLX") start_xvfb 1024x768x24 -extension GLX ;;
    "8 bits") start_xvfb 1024x768x8 ;;
    esac
    "${library[@]}" timeout -s KILL 20 "$snowfall" 2>"$work/stderr"
    status=$?
    echo "$case: status $status; standard error: $(cat "$work/stderr")"
    [ "$status" -eq 1 ] || fail "$case: status $status"
    [ "$(own_stderr)" = "Unable to create GL Context" ] || fail "$case: not the one line"
    kill -TERM "$xserver"
    wait "$xserver" 2>/dev/null
done
echo ok
