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

# restartUnderXvfb SECONDS SCREEN "TOOLS" "$@": runs the calling script again inside xvfb-run,
# on one screen of SCREEN (WxHxD), ended after SECONDS, once the tools it names are found;
# inside, it returns at once.
restartUnderXvfb() {
  limit=$1
  screen=$2
  tools=$3
  shift 3
  [ -z "${OM_XVFB_INSIDE:-}" ] || return 0
  for tool in xvfb-run timeout $tools; do
    command -v "$tool" >/dev/null 2>&1 || fail "$tool is missing (scripts/install-deps installs it)"
  done
  OM_XVFB_INSIDE=1 exec timeout "$limit" xvfb-run -a -s "-screen 0 $screen -nolisten tcp" \
    "$0" "$@"
}

# A folder of the script's own in $work, removed when the script ends, and the processes named
# in $running (their ids) killed then: a process still running at the end was abandoned.
makeWork() {
  work=$(mktemp -d)
  running=
  trap 'for process in $running; do kill -9 "$process" 2>/dev/null || true; done; rm -rf "$work"' EXIT
}
