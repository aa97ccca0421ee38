#!/bin/sh
# Runs one end-to-end test against a build folder: a private X display
# (Xvfb), a private session bus for the accessibility bus, and the system
# Python that has pyatspi. The whole run is bounded so that nothing hangs.
# usage: run-e2e.sh <build folder> <test_*.py>
set -u
if [ $# -ne 2 ]; then
  echo "usage: $0 <build folder> <test_*.py>" >&2
  exit 2
fi
build="$1"
test_script="$2"
for tool in Xvfb xdpyinfo dbus-run-session xdotool sqlite3 /usr/libexec/at-spi-bus-launcher; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "missing $tool: install the packages listed in scripts/install-deps.sh" >&2
    exit 1
  fi
done
if ! /usr/bin/python3 -c 'import pyatspi, Xlib' 2>/dev/null; then
  echo "missing python3-pyatspi or python3-xlib for /usr/bin/python3" >&2
  exit 1
fi
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
# A display of our own: a number picked at random and confirmed by talking to
# the server, because another X server elsewhere on the machine may already
# own a number (its abstract socket is not visible as a lock file here).
# -noreset: the server must not restart when the probing client leaves, or
# the program may meet it mid-restart.
attempt=0
DISPLAY=""
while [ -z "$DISPLAY" ]; do
  attempt=$((attempt + 1))
  if [ "$attempt" -gt 8 ]; then
    echo "could not start a private Xvfb display:" >&2
    cat "$work/xvfb.log" >&2
    exit 1
  fi
  number=$(( ( $(od -An -N2 -tu2 /dev/urandom) % 600 ) + 300 ))
  [ -e "/tmp/.X$number-lock" ] && continue
  Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp -noreset 2>"$work/xvfb.log" &
  xvfb_pid=$!
  tries=0
  while [ "$tries" -lt 50 ] && kill -0 "$xvfb_pid" 2>/dev/null; do
    if DISPLAY=":$number" timeout 5 xdpyinfo >/dev/null 2>&1; then
      DISPLAY=":$number"
      break
    fi
    tries=$((tries + 1))
    sleep 0.1
  done
  if [ -z "$DISPLAY" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=""
  fi
done
export DISPLAY
timeout --kill-after=15 800 dbus-run-session -- /usr/bin/python3 -u "$test_script" "$build"
