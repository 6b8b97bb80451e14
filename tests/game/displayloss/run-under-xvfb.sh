#!/bin/sh
# Runs the demo game on the SDL host under an X server of its own, then ends the X server
# under it: the game must end within 2 s by itself, say why on standard error, end with a
# status that is not 0, and leave a whole "KORVANIX.DAT". Every wait is bounded.
set -eu
game=$1
demo=$2

. "$(dirname "$0")/../../../scripts/xvfb-common.sh"
for tool in Xvfb xdpyinfo; do
  command -v "$tool" >/dev/null 2>&1 || fail "$tool is missing (scripts/install-deps installs it)"
done
makeWork

mkdir "$work/work"
cp "$demo/work/korvanix.INI" "$work/work/"
cp -r "$demo/cd" "$work/cd"
startXServer 1024x768x24 "$work"
running=$xserver

cd "$work/work"
env -u OM_HOST DISPLAY="$display" OM_DRIVE_D="$work/cd" \
  OM_WINDOWS_DIR="$work/windows" XDG_RUNTIME_DIR="$work" "$game" 2>"$work/errors" &
pid=$!
running="$xserver $pid"
# The demo greets its player (in "debug.txt") once the player is chosen.
within 300 test -s debug.txt || fail "the game did not reach its first screen"
sleep 0.5
kill -9 "$xserver"
within 20 sh -c "! kill -0 $pid" || fail "the game runs on without its display"
status=0
wait "$pid" || status=$?
[ "$status" -ne 0 ] || fail "the game ended with status 0"
grep -q "display" "$work/errors" || fail "nothing on standard error says why: $(cat "$work/errors")"
head -n 2 KORVANIX.DAT | tr '\n' ' ' | grep -q "^Version 2 " || fail "KORVANIX.DAT lost its head"
[ "$(tail -c 11 KORVANIX.DAT)" = "PLAYER_END" ] || fail "KORVANIX.DAT is not whole: $(tail -c 40 KORVANIX.DAT | od -c | head -3) $(cat "$work/errors")"
echo "the game ended with status $status"
