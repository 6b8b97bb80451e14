#!/bin/sh
# Runs the assessment demo on the SDL host at 640x480 in 8 bits under its own X server
# (Xvfb), as `make demo-assessment` does, in a copy of its laid-out folders; takes
# screenshots of its window with xwd while the splash is up, and lets start_button_check find
# the "Start" button whole in its place on them. Every wait is bounded.
set -eu
program=$1
demo=$2
check=$3

. "$(dirname "$0")/../../scripts/xvfb-common.sh"
restartUnderXvfb 120 1024x768x24 "xdotool xwd" "$@"
makeWork

cp -R "$demo/work" "$work/work"
cp -R "$demo/install" "$work/install"
# The registry names the copy's install folder; the main program is never started here.
install=$(printf 'C:%s' "$work/install" | sed 's#/#\\\\#g')
key='HKEY_LOCAL_MACHINE\SOFTWARE\Bramblewick\Demo'
printf '[%s\\MarlovinDir]\n@="%s"\n\n[%s\\MainExe]\n@="false"\n' "$key" "$install" "$key" \
  >"$work/registry.txt"

# The pointer starts away from the window, so that it is not in the screenshots.
xdotool mousemove 1020 760
unset OM_HOST
# The display's and sound's system libraries keep memory to the end; our own code's leaks are
# the unit suites' to find.
ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"
export ASAN_OPTIONS
(cd "$work/work" && OM_REGISTRY="$work/registry.txt" OM_SCREEN=640x480x8 \
  OM_WINDOWS_DIR="$work/windows" XDG_RUNTIME_DIR="$work" SDL_AUDIODRIVER=disk \
  SDL_DISKAUDIOFILE="$work/sound.raw" exec "$program") >"$work/out" 2>&1 &
pid=$!
running=$pid

within 150 xdotool search --onlyvisible --name . ||
  fail "no window of the program came up: $(cat "$work/out")"
window=$(xdotool search --onlyvisible --name . | head -n 1)

# The splash fades in and waits for "Start": a look every half second until the button is
# found whole, for at most 15 seconds.
tries=30
until xwd -id "$window" -silent >"$work/shot.xwd" && "$check" "$work/shot.xwd" >"$work/seen"; do
  kill -0 "$pid" 2>/dev/null || fail "the program ended on its splash: $(cat "$work/out")"
  tries=$((tries - 1))
  [ "$tries" -gt 0 ] || fail "the Start button is not whole in its place: $(cat "$work/seen")"
  sleep 0.5
done
# Seen: how the program ends is not this test's business.
kill -9 "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
running=
