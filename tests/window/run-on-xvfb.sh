#!/usr/bin/env bash
# Runs one command with an X display of its own: a private Xvfb on the first free
# display among those given, stopped by PID afterwards.
#   run-on-xvfb.sh "82 83" command args...
set -u
displays=$1; shift
xvfb_pid=""
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null; }
trap cleanup EXIT
for n in $displays; do
  [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$xvfb_pid" 2>/dev/null; then
    export DISPLAY=":$n"
    break
  fi
  xvfb_pid=""
done
if [ -z "$xvfb_pid" ]; then
  echo "no free X display among: $displays" >&2
  exit 1
fi
"$@"
