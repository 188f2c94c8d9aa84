#!/bin/bash
# Installs, builds and runs every test: first the native tree (portable code
# under sanitizers), then the cross tree under Wine (unit tests, then the
# end-to-end scripts), on a private Xvfb with a fresh Wine prefix that are
# both torn down at the end, also on failure. Exit status 0 only when every
# test passed. Extra arguments go to both ctest runs (e.g. -R profile).
# Run as an ordinary user, it asks for sudo only to install missing packages.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
win=${VANTREL_WIN_BUILD:-build/win}
native=${VANTREL_NATIVE_BUILD:-build/native}

if [ -z "${VANTREL_TEST_NAMESPACE:-}" ]; then
  bash scripts/setup.sh
  bash scripts/build.sh
  # The tests' FTP servers listen on port 21 of loopback addresses, as a
  # machining centre's data server does, which only root may. An ordinary
  # user runs them in a user and network namespace of their own: there the
  # user counts as root and has a loopback interface of their own.
  if [ "$(id -u)" -ne 0 ]; then
    if ! unshare --map-root-user --net true 2>/dev/null; then
      echo "test: the tests listen on port 21, which needs root or a user namespace (unshare -rn), and this" \
           "system allows no user namespace; run: sudo bash scripts/test.sh" >&2
      exit 1
    fi
    exec env VANTREL_TEST_NAMESPACE=1 unshare --map-root-user --net \
      bash -c 'ip link set lo up && exec bash "$0" "$@"' "$repo/scripts/test.sh" "$@"
  fi
fi

run=$(mktemp -d /tmp/vantrel-test.XXXXXX)
xvfb_pid=
cleanup() {
  if [ -d "$run/prefix" ]; then WINEPREFIX=$run/prefix wineserver -k 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$run"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

read -r display xvfb_pid < <(bash tests/rig/start-xvfb.sh)
export DISPLAY=$display WINEPREFIX=$run/prefix LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 WINEDEBUG=-all
export VANTREL_FTP_EXE=$repo/$win/ftp_exe/ftp.exe
echo "test: Xvfb $DISPLAY, Wine prefix $WINEPREFIX"
bash scripts/wine-prefix.sh "$WINEPREFIX" "$VANTREL_FTP_EXE"
# One wineserver for the whole run instead of one per test program, and the
# prefix's services started now, with no test's output pipe to inherit
# (wine-prefix.sh leaves no server of its own running).
wineserver -p </dev/null >/dev/null 2>&1
wineboot </dev/null >/dev/null 2>&1 || true

status=0
summary=$run/summary
: >"$summary"
# Fuzz smoke (a whole run only): each libFuzzer target a few seconds from its seeds.
if [ $# -eq 0 ]; then { bash scripts/fuzz.sh 2 || echo "fuzz: FAILED"; } 2>&1 | tee "$run/fuzz.log"; grep -q FAILED "$run/fuzz.log" && status=1; { echo "--- fuzz"; cat "$run/fuzz.log"; } >>"$summary"; fi
for tree in "$native" "$win"; do
  echo "=== ctest $tree"
  log=$run/ctest.log
  if ! ctest --test-dir "$tree" --output-on-failure -j 2 "$@" 2>&1 | tee "$log"; then status=1; fi
  {
    echo "--- $tree"
    sed -n '/tests passed/,$p' "$log"
  } >>"$summary"
done
echo "=== summary"
cat "$summary"
exit $status
