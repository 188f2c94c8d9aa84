#!/bin/bash
# Performance bench: builds the cross tree (with the bench tools), prepares a
# warm Wine prefix and a display, and runs bench/bench.py, which prints the
# table (Vantrel beside curl and beside the floor) and exits non-zero when a
# target is missed. Not part of the test run: it takes several minutes.
#   bash bench/run.sh [--reps N] [--counts 1,10,100] [--big-mb 50] [--only drop] [--out FILE]
# DISPLAY and WINEPREFIX are used when set; otherwise a private Xvfb and a
# prefix under ~/.cache/vantrel are used (the Xvfb and that prefix's
# wineserver are stopped at the end). VANTREL_BENCH_HOST and
# VANTREL_BENCH_LIST_HOST choose the loopback addresses of the two FTP servers.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
build=${VANTREL_BENCH_BUILD:-build-bench}

bash scripts/setup.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null

own_prefix=
if [ -z "${WINEPREFIX:-}" ]; then
  export WINEPREFIX=${XDG_CACHE_HOME:-$HOME/.cache}/vantrel/bench-prefix
  own_prefix=1
fi
xvfb_pid=
cleanup() {
  if [ -n "$own_prefix" ]; then wineserver -k 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM
if [ -z "${DISPLAY:-}" ]; then
  read -r DISPLAY xvfb_pid < <(bash tests/rig/start-xvfb.sh)
  export DISPLAY
fi
# No debug output of the caller's in the times.
export WINEDEBUG=-all
source tests/rig/wine-env.sh
bin=$repo/$build
export VANTREL_EXE=$bin/app/Vantrel.exe VANTREL_FTP_EXE=${VANTREL_BENCH_FTP_EXE:-$bin/ftp_exe/ftp.exe} \
  VANTREL_FILELIST_EXE=$bin/filelist/filelist.exe VANTREL_FTPCLIENT_EXE=$bin/ftpclient/FTPClient.exe \
  VANTREL_DRIVER=$bin/tests/vdriver.exe VANTREL_DROP_TOOL=$bin/tests/host/xdnd_drop \
  VANTREL_BENCH_PROBE=$bin/bench/probe.exe VANTREL_BENCH_NOOP=$bin/bench/noop.exe \
  VANTREL_BENCH_WINSOCK_COST=$bin/bench/winsock_cost.exe
bash scripts/wine-prefix.sh "$WINEPREFIX" "$VANTREL_FTP_EXE"
# Warm prefix: one persistent wineserver and the prefix's services running.
wineserver -p </dev/null >/dev/null 2>&1 || true
wineboot </dev/null >/dev/null 2>&1 || true

echo "bench: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(wine --version 2>/dev/null)"
echo "bench: display $DISPLAY, prefix $WINEPREFIX"
/usr/bin/python3 bench/bench.py "$@"
