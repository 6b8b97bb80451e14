# Sourced by the scripts that run a program of ours under an X server of their own (the window
# tests and the idle benchmark). Every wait they make is bounded.

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

# Waits up to $1 tenths of a second for the command after it to succeed.
within() {
  tenths=$1
  shift
  while ! "$@" >/dev/null 2>&1; do
    tenths=$((tenths - 1))
    [ "$tenths" -gt 0 ] || return 1
    sleep 0.1
  done
}

# startXServer SCREEN FOLDER: starts Xvfb with one screen of SCREEN (WxHxD) on the first
# display from :20 up that no live server holds, and sets $xserver (its process) and $display
# (":N"). The server takes the number's lock file, which keeps a second server off it; it is
# ours and ready once the lock names it and a client gets through. (A server left to choose
# its own number takes no lock, and servers started side by side then take one number's
# sockets from each other: a client finds another server's screen.) FOLDER keeps the server's
# messages. The server never resets: a reset comes each time its last client leaves (a probe
# of the tests' tools), and a program that connects meanwhile finds no display.
startXServer() {
  number=20
  while [ "$number" -lt 120 ]; do
    Xvfb ":$number" -screen 0 "$1" -nolisten tcp -noreset 2>"$2/log" &
    xserver=$!
    tenths=100
    while kill -0 "$xserver" 2>/dev/null && [ "$tenths" -gt 0 ]; do
      if [ "$(tr -d ' \n' 2>/dev/null <"/tmp/.X$number-lock")" = "$xserver" ] &&
        xdpyinfo -display ":$number" >/dev/null 2>&1; then
        display=":$number"
        return 0
      fi
      tenths=$((tenths - 1))
      sleep 0.1
    done
    # The number is taken (the server ended at once), or the server never got ready.
    kill "$xserver" 2>/dev/null || true
    wait "$xserver" 2>/dev/null || true
    number=$((number + 1))
  done
  fail "no X server could be started: $(cat "$2/log")"
}

# restartUnderXvfb SECONDS SCREEN "TOOLS" "$@": runs the calling script again on an X server
# of its own with one screen of SCREEN (WxHxD), ended after SECONDS, once the tools it names
# are found; inside, it returns at once. The server has ended before this returns.
restartUnderXvfb() {
  limit=$1
  screen=$2
  tools=$3
  shift 3
  [ -z "${OM_XVFB_INSIDE:-}" ] || return 0
  for tool in Xvfb xdpyinfo timeout $tools; do
    command -v "$tool" >/dev/null 2>&1 || fail "$tool is missing (scripts/install-deps installs it)"
  done
  server_dir=$(mktemp -d)
  xserver=
  trap '[ -z "$xserver" ] || { kill "$xserver" 2>/dev/null; wait "$xserver" 2>/dev/null; }; rm -rf "$server_dir"' EXIT
  trap 'exit 1' HUP INT TERM
  startXServer "$screen" "$server_dir"
  status=0
  DISPLAY=$display OM_XVFB_INSIDE=1 timeout "$limit" "$0" "$@" || status=$?
  exit "$status"
}

# A folder of the script's own in $work, removed when the script ends, and the processes named
# in $running (their ids) killed then: a process still running at the end was abandoned.
makeWork() {
  work=$(mktemp -d)
  running=
  trap 'for process in $running; do kill -9 "$process" 2>/dev/null || true; done; rm -rf "$work"' EXIT
}
