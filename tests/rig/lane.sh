#!/bin/bash
# CTest's command for every test of the Wine tree:
#   tests/rig/lane.sh LOCK_FOLDER COMMAND...
# In a run of scripts/test.sh, CTest hands each test one of the lanes the
# script set up (CTEST_RESOURCE_GROUP_0_LANES=id:N,slots:1) and the script
# describes lane N in VANTREL_LANE_N as "PID DISPLAY WINEPREFIX": the command
# runs in the network namespace of process PID, on that display and prefix,
# so that two tests run at once without sharing a loopback address, a window
# or a prefix. Run by hand without lanes, the command takes a lock on
# LOCK_FOLDER first: tests of one build then run one at a time in the
# environment they are given (ctest -j too).
set -euo pipefail
lock=$1
shift
group=${CTEST_RESOURCE_GROUP_0_LANES:-}
if [ -n "$group" ]; then
  id=${group#id:}
  id=${id%%,*}
  description=VANTREL_LANE_$id
  if [ -z "${!description:-}" ]; then
    echo "lane: CTest gave lane $id, but $description is not set (scripts/test.sh sets the lanes up)" >&2
    exit 1
  fi
  read -r pid display prefix <<<"${!description}"
  export DISPLAY=$display WINEPREFIX=$prefix
  exec nsenter --net="/proc/$pid/ns/net" "$@"
fi
exec flock "$lock" "$@"
