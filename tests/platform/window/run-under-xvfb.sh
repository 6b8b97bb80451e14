#!/bin/sh
# Runs window_probe on the SDL host under its own X server (Xvfb), looks at the window
# with xwd, clicks and types into it with xdotool, and lets the probe judge what happened.
# Every wait is bounded: a window that does not come up fails the test, it never hangs it.
set -eu
probe=$1

. "$(dirname "$0")/../../../scripts/xvfb-common.sh"
restartUnderXvfb 120 1024x768x24 "xdotool xwd" "$@"
makeWork

logged() { grep -qx "$1" "$work/log"; }

# The pointer starts away from the window, so that it is not in the screenshot.
xdotool mousemove 1020 760
unset OM_HOST
# The display's and sound's system libraries (D-Bus, the GL drivers) keep memory to the end;
# our own code's leaks are the unit suites' to find.
ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"
export ASAN_OPTIONS
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/sound.raw" "$probe" "$work/log" \
  >"$work/out" 2>&1 &
pid=$!
running=$pid

within 300 xdotool search --name '^Window probe$' || {
  state="it still runs"
  kill -0 "$pid" 2>/dev/null || state="it has ended"
  fail "no window titled 'Window probe' came up in 30 s ($state): $(cat "$work/out" "$work/log")"
}
window=$(xdotool search --name '^Window probe$' | head -n 1)
[ "$(xdotool getwindowname "$window")" = "Window probe" ] || fail "the window title is not the frame's"
within 100 logged "child painted 0 0" || fail "the child never painted"

xdotool windowsize "$window" 1000 600
xdotool windowmove "$window" 0 0
within 50 sh -c "xdotool getwindowgeometry '$window' | grep -q 'Geometry: 1000x600'" ||
  fail "the window did not take the size 1000x600"
sleep 1 # the resized picture is presented
xwd -root -silent >"$work/shot.xwd" || fail "xwd could not take a screenshot"

xdotool mousemove 500 300 click 1 # the child's middle
within 50 grep -q "WM_LBUTTONDOWN" "$work/log" || fail "the click reached no window"
xdotool mousemove 50 300 click 1 # the bar on the left
xdotool windowfocus "$window"
sleep 0.3
xdotool key a
within 50 grep -q "WM_CHAR" "$work/log" || fail "the key reached no window"
sleep 1.5 # the tone has played
xdotool key Escape
within 100 sh -c "! kill -0 $pid" || fail "the probe did not end on Escape"
wait "$pid" || fail "the probe ended with an error: $(cat "$work/out")"
running=

"$1" check "$work/shot.xwd" "$work/log" "$work/sound.raw"
