#!/usr/bin/env bash
# Runs a command with one private Xvfb display for all of it, and stops the display afterwards.
#   tools/with-display.sh COMMAND [ARGS...]
set -euo pipefail
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb_pid=$!
read -r display_number <"$fifo"
rm -f "$fifo"
export DISPLAY=":$display_number"
stop() { kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; }
trap stop EXIT
"$@"
