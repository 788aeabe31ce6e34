#!/usr/bin/env bash
# The README's commands as a newcomer runs them, on a fresh clone of a
# repository's HEAD (this one's by default), in an Xvfb of its own:
# - its first command, exactly as written, installs what is missing, builds
#   and shows the snowfall over the picture; Escape held ends it with status
#   0, and nothing is said on standard error;
# - its install command puts bin/snowfall under the prefix (into a DESTDIR
#   and a HOME of the test's own);
# - the program alone configures with GoogleTest, Google Benchmark, SFML and
#   the X11 development files out of reach.
# scripts/test runs it after the tests: the clone is built from nothing.
# Usage: fresh_clone_test.sh [REPOSITORY]
set -u
. "$(dirname "$0")/e2e_lib.sh"
in_xvfb "$@"

repo=$(realpath "${1:-$source_dir}")
make_work

commit=$(git -C "$repo" rev-parse HEAD) || fail "no commit in $repo"
[ -z "$(git -C "$repo" status --porcelain --untracked-files=no)" ] ||
    echo "note: the clone has $commit only, without the changes not committed in $repo"
git clone -q --no-checkout "$repo" "$work/clone" &&
    git -C "$work/clone" checkout -q --detach "$commit" || fail "no clone of $repo"
cd "$work/clone" || fail "no clone"

# The first line of the README's first block of commands, and its install
# command, without their comments.
run=$(awk '/^```sh$/ { block = 1; next } block { sub(/ *#.*/, ""); print; exit }' README.md)
install=$(grep -o -m1 '`cmake --install [^`]*`' README.md | tr -d '`')
[ -n "$run" ] && [ -n "$install" ] || fail "the README shows no first command or no install command"

echo "README: $run"
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/sound.raw" bash -c "$run" >"$work/stdout" 2>"$work/stderr" &
pid=$!
# The build comes first.
wait_for_picture 900
sleep 1
import -window root "$work/shot.png" || fail "no screenshot"
[ -n "${E2E_SCREENSHOT:-}" ] && cp "$work/shot.png" "$E2E_SCREENSHOT"
check_scene media
hold_escape
wait_for_exit "$pressed" 10
echo "exit status $status, $took s after Escape"
[ "$status" -eq 0 ] || fail "exit status $status: $(cat "$work/stderr")"
check_quiet

echo "README: $install"
mkdir "$work/home"
HOME=$work/home DESTDIR=$work/dest bash -c "$install" >"$work/install.log" 2>&1 ||
    fail "the install command failed: $(cat "$work/install.log")"
installed=$(find "$work/dest" -path '*/bin/snowfall' -type f -perm -u+x)
[ -n "$installed" ] || fail "no bin/snowfall installed: $(cat "$work/install.log")"
echo "installed ${installed#"$work/dest"}"

# CMake finds neither GoogleTest nor Google Benchmark, and pkg-config refuses
# whoever asks for X11, SFML, GoogleTest or Google Benchmark by name (SDL2's
# and libepoxy's own need of X11 aside).
cat >"$work/pkg-config" <<'END'
#!/bin/sh
for arg; do
    case $arg in x11 | x11[!-]* | sfml-* | gtest* | gmock* | benchmark*) exit 1 ;; esac
done
exec pkg-config "$@"
END
chmod +x "$work/pkg-config"
cmake --preset run -B "$work/alone" --no-warn-unused-cli -DPKG_CONFIG_EXECUTABLE="$work/pkg-config" \
    -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON \
    >"$work/alone.log" 2>&1 || fail "the program alone does not configure: $(cat "$work/alone.log")"
echo ok
