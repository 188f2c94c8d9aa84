#!/bin/bash
# Starts a detached Xvfb on a free display and prints ":N PID" once it
# accepts connections. The caller owns the server and kills it by its PID.
#   tests/rig/start-xvfb.sh [WIDTHxHEIGHT]
# It listens only on the abstract socket, which belongs to the network
# namespace it runs in: with a socket file as well, a server in a namespace
# of its own (a test lane) would take display :0 and replace the
# /tmp/.X11-unix/X0 of the desktop or of another namespace's server.
set -euo pipefail
size=${1:-1280x1024}
fifo_dir=$(mktemp -d)
trap 'rm -rf "$fifo_dir"' EXIT
mkfifo "$fifo_dir/fd"
setsid Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -nolisten unix -noreset \
  3>"$fifo_dir/fd" </dev/null >/dev/null 2>&1 &
pid=$!
if ! read -r -t 20 number <"$fifo_dir/fd"; then
  kill "$pid" 2>/dev/null || true
  echo "start-xvfb: Xvfb did not start" >&2
  exit 1
fi
for _ in $(seq 100); do
  if xdpyinfo -display ":$number" >/dev/null 2>&1; then
    echo ":$number $pid"
    exit 0
  fi
  sleep 0.1
done
kill "$pid" 2>/dev/null || true
echo "start-xvfb: display :$number does not answer" >&2
exit 1
