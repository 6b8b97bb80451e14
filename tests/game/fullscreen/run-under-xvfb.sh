#!/bin/sh
# Runs the game with DirectDraw full screen on the SDL host under its own X server (Xvfb)
# and a stand-in window manager that grants full screen, on content that game_fullscreen_probe
# writes: takes a screenshot with xwd, clicks the box on the stage through the display's scale
# with xdotool (the click ends the game), and lets the probe judge the screenshot and what the
# game wrote. Every wait is bounded.
set -eu
game=$1
probe=$2
manager=$3

. "$(dirname "$0")/../../../scripts/xvfb-common.sh"
restartUnderXvfb 120 1280x1024x24 "xdotool xwd" "$@"
makeWork

"$probe" setup "$work" || fail "the probe could not write the content"
"$manager" >"$work/wm" 2>&1 &
wm=$!
running=$wm
within 50 grep -qx ready "$work/wm" || fail "the window manager did not start: $(cat "$work/wm")"
# The pointer waits on the bar below the picture, out of the way.
xdotool mousemove 1279 1023
unset OM_HOST
# The display's and sound's system libraries keep memory to the end; our own code's leaks are
# the unit suites' to find.
ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"
export ASAN_OPTIONS
# The desktop is 1024x768 at 32 bits; the game switches it to 640x480 at 16 bits.
(cd "$work/work" && OM_DRIVE_D="$work/cd" OM_WINDOWS_DIR="$work/windows" XDG_RUNTIME_DIR="$work" \
  OM_SCREEN=1024x768x32 SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/sound.raw" \
  exec "$game") >"$work/out" 2>&1 &
pid=$!
running="$wm $pid"

within 150 grep -qx built "$work/work/debug.txt" ||
  fail "the start script never ran: $(cat "$work/out")"
within 50 sh -c "xdotool search --onlyvisible --name . getwindowgeometry %@ | grep -q 'Geometry: 1280x1024'" ||
  fail "no window covers the display: $(xdotool search --name . getwindowgeometry %@ 2>&1)"
sleep 1 # the full-screen picture is presented
xwd -root -silent >"$work/shot.xwd" || fail "xwd could not take a screenshot"

xdotool mousemove 640 512 click 1 # the box's middle: (320, 240) on the game's screen
within 100 sh -c "! kill -0 $pid" || fail "the game did not end on the click: $(cat "$work/out")"
wait "$pid" || fail "the game ended with an error: $(cat "$work/out")"
running=$wm

"$probe" check "$work/shot.xwd" "$work"
