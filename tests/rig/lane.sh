#!/bin/bash
# CTest's command for every test of the Wine tree:
#   tests/rig/lane.sh LOCK_FOLDER COMMAND...
# In a run of scripts/test.sh, the script sets up VANTREL_LANES lanes and
# describes lane N in VANTREL_LANE_N as "PID DISPLAY WINEPREFIX": the command
# takes the first lane no other test holds and runs in the network namespace
# of process PID, on that display and prefix, so that two tests run at once
# without sharing a loopback address, a window or a prefix. CTest runs as
# many tests at a time as there are lanes, so a lane is free, or is freed
# as soon as the test that held it has ended. Run by hand without lanes, the
# command takes a lock on LOCK_FOLDER first: tests of one build then run one
# at a time in the environment they are given (ctest -j too).
set -euo pipefail
lock=$1
shift
lanes=${VANTREL_LANES:-0}
if ((lanes == 0)); then exec flock "$lock" "$@"; fi

# The lane's lock is taken here, on a descriptor of this script, before the
# command starts: whether the lane was had is known apart from the
# command's status, whatever that is. The command does not get the
# descriptor, so a process a test leaves behind cannot keep the lane.
while true; do
  for ((id = 0; id < lanes; id++)); do
    description=VANTREL_LANE_$id
    if [ -z "${!description:-}" ]; then
      echo "lane: $description is not set (scripts/test.sh sets the lanes up)" >&2
      exit 1
    fi
    read -r pid display prefix <<<"${!description}"
    exec {lane_lock}>>"$(dirname "$prefix")/lane.lock"
    if flock -n "$lane_lock"; then
      status=0
      DISPLAY=$display WINEPREFIX=$prefix nsenter --net="/proc/$pid/ns/net" "$@" {lane_lock}>&- || status=$?
      exit "$status"
    fi
    exec {lane_lock}>&-
  done
  sleep 0.05
done
