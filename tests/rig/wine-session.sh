#!/bin/bash
# The Wine session of a test: prints WINEPREFIX and DISPLAY as two
# "NAME=value" lines (the rest of its environment is wine-env.sh's). Values
# already in the environment are kept (a test run sets both); otherwise a
# prefix under ~/.cache/vantrel and a private Xvfb, left running for the
# following tests, are made, so that `ctest` and the e2e scripts also work
# by hand. The prefix is created or updated on every call
# (fast when it is current), with $VANTREL_FTP_EXE as its ftp.exe; a
# wineserver that lingers 60 s is started for it when none runs.
#
# Every long-lived process started here gets /dev/null for its output and
# no lock descriptor: CTest waits for the end of a test's output, so a
# wineserver or Xvfb holding that pipe would stall every test.
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
# Nothing here shows Wine's output.
export WINEDEBUG=-all
source "$repo/tests/rig/wine-env.sh"
cache=${XDG_CACHE_HOME:-$HOME/.cache}/vantrel

prefix=${WINEPREFIX:-$cache/test-prefix}
bash "$repo/scripts/wine-prefix.sh" "$prefix" "${VANTREL_FTP_EXE:-}" </dev/null >/dev/null

display=${DISPLAY:-}
if [ -z "$display" ]; then
  mkdir -p "$cache"
  exec 9>"$cache/xvfb.lock"
  flock 9
  if [ -f "$cache/xvfb" ] && read -r display pid <"$cache/xvfb" && kill -0 "$pid" 2>/dev/null \
      && xdpyinfo -display "$display" >/dev/null 2>&1; then
    :
  else
    read -r display pid < <(bash "$repo/tests/rig/start-xvfb.sh" 9>&-)
    echo "$display $pid" >"$cache/xvfb"
    echo "wine-session: started Xvfb $display (pid $pid); it stays for later tests" >&2
  fi
  exec 9>&-
fi

# A wineserver that is already running makes this one exit at once.
if WINEPREFIX=$prefix wineserver -p60 </dev/null >/dev/null 2>&1; then
  # Start the prefix's services now, away from any test's output pipe.
  WINEPREFIX=$prefix DISPLAY=$display wineboot </dev/null >/dev/null 2>&1 || true
fi
echo "WINEPREFIX=$prefix"
echo "DISPLAY=$display"
