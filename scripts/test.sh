#!/bin/bash
# Installs, builds and runs every test: the native tree (portable code under
# sanitizers), then the cross tree under Wine (unit tests and end-to-end
# scripts), and in a whole run a short fuzz of every libFuzzer target. Exit
# status 0 only when every test passed. Extra arguments go to both ctest runs
# (e.g. -R profile).
#
# The Wine tree's tests run two at a time, each in a lane of its own: a
# network namespace (the tests' FTP servers listen on port 21 of fixed
# loopback addresses, as a machining centre's data server does), an Xvfb and
# a Wine prefix, all made here and torn down at the end, also on failure
# (tests/rig/lane.sh). While the trees build, the lanes' prefixes are made
# and the fuzz targets built and run.
#
# Run as an ordinary user, it asks for sudo only to install missing packages
# and runs the rest in a user namespace of its own, with its own network and
# mount namespaces: there the user counts as root, may listen on port 21 and
# mount the small file system one test needs, and nothing is seen outside.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
win=${VANTREL_WIN_BUILD:-build/win}
native=${VANTREL_NATIVE_BUILD:-build/native}
lanes=2
# How long a lane's desktop holder may take to make its window.
desktop_ready_s=30

if [ -z "${VANTREL_TEST_NAMESPACE:-}" ]; then
  bash scripts/setup.sh
  if [ "$(id -u)" -ne 0 ]; then
    if ! unshare --map-root-user --net --mount true 2>/dev/null; then
      echo "test: the tests listen on port 21 and mount a small file system, which needs root or a user" \
           "namespace (unshare --map-root-user --net --mount), and this system allows none; run:" \
           "sudo bash scripts/test.sh" >&2
      exit 1
    fi
    exec env VANTREL_TEST_NAMESPACE=1 unshare --map-root-user --net --mount \
      bash -c 'ip link set lo up && exec bash "$0" "$@"' "$repo/scripts/test.sh" "$@"
  fi
fi

started=$(date +%s)
run=$(mktemp -d /tmp/vantrel-test.XXXXXX)
holders=()
xvfbs=()
jobs_started=()
cleanup() {
  local job id
  for job in "${jobs_started[@]}"; do kill "$job" 2>/dev/null || true; done
  for ((id = 0; id < lanes; id++)); do
    if [ -d "$run/lane$id/prefix" ]; then WINEPREFIX=$run/lane$id/prefix wineserver -k 2>/dev/null || true; fi
  done
  for job in "${xvfbs[@]}" "${holders[@]}"; do kill "$job" 2>/dev/null || true; done
  rm -rf "$run"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The lanes' network namespaces, each held by a process of its own, with
# its loopback up and an Xvfb in it.
for ((id = 0; id < lanes; id++)); do
  unshare --net sleep infinity </dev/null >/dev/null 2>&1 &
  holders+=($!)
  while [ "$(readlink "/proc/${holders[id]}/ns/net")" = "$(readlink /proc/self/ns/net)" ]; do sleep 0.01; done
  nsenter --net="/proc/${holders[id]}/ns/net" ip link set lo up
  read -r display xvfb < <(nsenter --net="/proc/${holders[id]}/ns/net" bash tests/rig/start-xvfb.sh)
  xvfbs+=("$xvfb")
  mkdir "$run/lane$id"
  echo "${holders[id]} $display $run/lane$id/prefix" >"$run/lane$id/description"
  # The prefix while the trees build; our ftp.exe is put in once it is built.
  bash scripts/wine-prefix.sh "$run/lane$id/prefix" /nonexistent >"$run/lane$id/prefix.log" 2>&1 &
  jobs_started+=($!)
done
prefix_jobs=("${jobs_started[@]}")

# Fuzz smoke (a whole run only): each libFuzzer target a few seconds from its seeds.
fuzz_job=
if [ $# -eq 0 ]; then
  { bash scripts/fuzz.sh 2 || echo "fuzz: FAILED"; } >"$run/fuzz.log" 2>&1 &
  fuzz_job=$!
  jobs_started+=($fuzz_job)
fi

bash scripts/build.sh

status=0
for ((id = 0; id < lanes; id++)); do
  if ! wait "${prefix_jobs[id]}"; then
    cat "$run/lane$id/prefix.log" >&2
    echo "test: making the Wine prefix of lane $id failed (above)" >&2
    exit 1
  fi
done
# The tests read the programs' output: no debug output of the caller's.
export WINEDEBUG=-all
source tests/rig/wine-env.sh
export VANTREL_FTP_EXE=$repo/$win/ftp_exe/ftp.exe
for ((id = 0; id < lanes; id++)); do
  read -r holder display prefix <"$run/lane$id/description"
  export "VANTREL_LANE_$id=$holder $display $prefix"
  bash scripts/wine-prefix.sh "$prefix" "$VANTREL_FTP_EXE"
  # One wineserver for the whole run instead of one per test program, and
  # the prefix's services started now, with no test's output pipe to inherit
  # (wine-prefix.sh leaves no server of its own running).
  (
    export WINEPREFIX=$prefix DISPLAY=$display
    nsenter --net="/proc/$holder/ns/net" wineserver -p </dev/null >/dev/null 2>&1
    nsenter --net="/proc/$holder/ns/net" wineboot </dev/null >/dev/null 2>&1 || true
    # The desktop stays open from test to test (tests/rig/desktop_holder.cpp);
    # wineserver -k at the end ends it.
    nsenter --net="/proc/$holder/ns/net" wine "$repo/$win/tests/desktop_holder.exe" 'Z:'"${run//\//\\}\\lane$id\\desktop-ready" \
      </dev/null >/dev/null 2>&1 &
  )
  ready_by=$((SECONDS + desktop_ready_s))
  while [ ! -e "$run/lane$id/desktop-ready" ] && [ "$SECONDS" -lt "$ready_by" ]; do sleep 0.05; done
  if [ ! -e "$run/lane$id/desktop-ready" ]; then
    echo "test: the desktop of lane $id was not ready after $desktop_ready_s s (tests/rig/desktop_holder.cpp)" >&2
    exit 1
  fi
  echo "test: lane $id: Xvfb $display, Wine prefix $prefix"
done
# Each test takes the first free lane (tests/rig/lane.sh); CTest runs as
# many at a time as there are lanes.
export VANTREL_LANES=$lanes
echo "test: built, lanes ready after $(($(date +%s) - started)) s"

summary=$run/summary
: >"$summary"
if [ -n "$fuzz_job" ]; then
  wait "$fuzz_job" || true
  cat "$run/fuzz.log"
  grep -q FAILED "$run/fuzz.log" && status=1
  { echo "--- fuzz"; cat "$run/fuzz.log"; } >>"$summary"
fi
for tree in "$native" "$win"; do
  echo "=== ctest $tree"
  log=$run/ctest.log
  if ! ctest --test-dir "$tree" --output-on-failure -j "$lanes" "$@" 2>&1 \
      | tee "$log"; then
    status=1
  fi
  {
    echo "--- $tree"
    sed -n '/tests passed/,$p' "$log"
  } >>"$summary"
done
echo "=== summary"
cat "$summary"
echo "test: $(($(date +%s) - started)) s in all (after the package check)"
exit $status
