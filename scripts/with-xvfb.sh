#!/usr/bin/env bash
# Runs a command with a private Xvfb display, so that a Windows program under Wine can
# create real top-level windows: scripts/with-xvfb.sh <command> [args...]
set -u
state=$(mktemp -d)
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$state/display" >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$state"' EXIT
for _ in $(seq 100); do
  [ -s "$state/display" ] && break
  kill -0 "$xvfb" 2>/dev/null || { echo "Xvfb did not start" >&2; exit 1; }
  sleep 0.05
done
[ -s "$state/display" ] || { echo "Xvfb gave no display" >&2; exit 1; }
export DISPLAY=:$(head -n1 "$state/display")
"$@"
