#!/bin/sh
# Runs the demo game on the SDL host under its own X server (Xvfb) and looks at its window
# from outside: it is never mapped without its title, it carries the program's icon
# (_NET_WM_ICON, read with xprop), and Esc ends the game with status 0. Every wait is bounded.
set -eu
game=$1
demo=$2

. "$(dirname "$0")/../../scripts/xvfb-common.sh"
restartUnderXvfb 120 1024x768x16 "xdotool xprop" "$@"
makeWork

mkdir -p "$work/work"
cp "$demo/work/korvanix.INI" "$work/work/"
cp -R "$demo/cd" "$work/cd"
unset OM_HOST
ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"
export ASAN_OPTIONS
(cd "$work/work" && OM_DRIVE_D="$work/cd" OM_WINDOWS_DIR="$work/windows" \
  XDG_RUNTIME_DIR="$work" OM_DIALOG_ANSWER=1 SDL_AUDIODRIVER=disk \
  SDL_DISKAUDIOFILE="$work/sound.raw" exec "$game") >"$work/out" 2>&1 &
pid=$!
running=$pid

# Each mapped window of the game has its title from the first look on.
# The first start of a loaded machine may take a while; a game that ended is said at once.
window=
tenths=450
while [ -z "$window" ]; do
  for w in $(xdotool search --onlyvisible --class korvanix 2>/dev/null || true); do
    name=$(xdotool getwindowname "$w")
    [ -n "$name" ] || fail "a window of the game was mapped without a title"
    window=$w
  done
  tenths=$((tenths - 1))
  [ "$tenths" -gt 0 ] || fail "no window of the game came up: $(cat "$work/out")"
  kill -0 "$pid" 2>/dev/null || [ -n "$window" ] ||
    fail "the game ended before its window came up: $(cat "$work/out")"
  [ -n "$window" ] || sleep 0.1
done
xprop -id "$window" _NET_WM_ICON | grep -q 'Icon (32 x 32)' ||
  fail "the window has no 32x32 icon: $(xprop -id "$window" _NET_WM_ICON | head -c 200)"

sleep 2 # the first screen is up
xdotool windowfocus --sync "$window" key Escape
tenths=200
while kill -0 "$pid" 2>/dev/null; do
  tenths=$((tenths - 1))
  [ "$tenths" -gt 0 ] || fail "Esc did not end the game"
  sleep 0.1
done
wait "$pid" || fail "the game ended with an error: $(cat "$work/out")"
running=
