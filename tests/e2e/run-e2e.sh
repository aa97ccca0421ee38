#!/bin/sh
# Runs one end-to-end test against a build folder: a private X display
# (Xvfb), a private session bus for the accessibility bus, and the system
# Python that has pyatspi (scripts/install-deps.sh installs them). The whole
# run is bounded so that nothing hangs.
# usage: run-e2e.sh <build folder> <test_*.py>
set -u
if [ $# -ne 2 ]; then
  echo "usage: $0 <build folder> <test_*.py>" >&2
  exit 2
fi
build="$1"
test_script="$2"
here="$(cd "$(dirname "$0")" && pwd)"
export PYTHONPATH="$here${PYTHONPATH:+:$PYTHONPATH}"
export PYTHONDONTWRITEBYTECODE=1
export NO_AT_BRIDGE=0
unset QT_QPA_PLATFORM
work="$(mktemp -d)"
xvfb_pid=""
cleanup() {
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
# A display of our own: Xvfb picks a free number itself (-displayfd) and
# writes it once it accepts connections, so a server of another run on the
# machine is never taken for ours. -noreset: the server must not restart when
# a client leaves, or the program may meet it mid-restart.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
tries=0
while [ ! -s "$work/display" ]; do
  tries=$((tries + 1))
  if [ "$tries" -gt 300 ] || ! kill -0 "$xvfb_pid" 2>/dev/null; then
    echo "could not start a private Xvfb display:" >&2
    cat "$work/xvfb.log" >&2
    exit 1
  fi
  sleep 0.1
done
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY
timeout --kill-after=15 800 dbus-run-session -- /usr/bin/python3 -u "$test_script" "$build"
