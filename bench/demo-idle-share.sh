#!/bin/sh
# What the demo costs while it waits, in its window under its own X server: the share of one
# core that the game takes on screen 1 (the ball turning, music playing) and on screen 2 (a
# still screen, music playing), in total and per thread, from the kernel's run-time counters.
#   bench/demo-idle-share.sh BUILD_DIR [SECONDS]
# Sound goes to SDL's "disk" driver (into /dev/null) at the pace of a real device.
set -eu
build=$(cd "$1" && pwd)
seconds=${2:-20}

. "$(dirname "$0")/../scripts/xvfb-common.sh"
restartUnderXvfb $((2 * seconds + 60)) 1024x768x16 xdotool "$@"
makeWork

mkdir -p "$work/work"
cp "$build/demo/work/korvanix.INI" "$work/work/"
cp -R "$build/demo/cd" "$work/cd"
unset OM_HOST OM_CLOCK
(cd "$work/work" && OM_DRIVE_D="$work/cd" OM_WINDOWS_DIR="$work/windows" XDG_RUNTIME_DIR="$work" \
  SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null exec "$build/game/korvanix") \
  >"$work/out" 2>&1 &
pid=$!
running=$pid

window=
tries=300
while [ -z "$window" ]; do
  window=$(xdotool search --onlyvisible --class korvanix 2>/dev/null | head -n 1 || true)
  tries=$((tries - 1))
  [ "$tries" -gt 0 ] || { echo "no window came up: $(cat "$work/out")" >&2; exit 1; }
  [ -n "$window" ] || sleep 0.1
done

# Nanoseconds each thread of the game has run: "tid name ns" lines.
threadTimes() {
  for task in /proc/"$pid"/task/*; do
    printf '%s %s %s\n' "${task##*/}" "$(tr ' ' _ <"$task/comm")" "$(cut -d' ' -f1 "$task/schedstat")"
  done 2>/dev/null
}

# Prints the share of one core over $seconds, in total and per thread that ran.
measure() {
  threadTimes >"$work/before"
  start=$(date +%s%N)
  sleep "$seconds"
  threadTimes >"$work/after"
  end=$(date +%s%N)
  awk -v label="$1" -v wall=$((end - start)) '
    NR == FNR { before[$1] = $3; next }
    { used = $3 - before[$1]; total += used
      if (used > 0) parts = parts sprintf(" %s %.2f%%", $2, 100 * used / wall) }
    END { printf "%s: %.2f%% of one core (%s )\n", label, 100 * total / wall, parts }
  ' "$work/before" "$work/after"
}

sleep 3  # the first screen is up and its music has started
measure "screen 1 (ball turning)"
xdotool mousemove --window "$window" 320 424 click 1
sleep 3  # the dissolve is over
measure "screen 2 (still)"
xdotool windowfocus --sync "$window" key Escape 2>/dev/null || true
tenths=100
while kill -0 "$pid" 2>/dev/null && [ "$tenths" -gt 0 ]; do
  tenths=$((tenths - 1))
  sleep 0.1
done
