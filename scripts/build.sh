#!/bin/bash
# Builds the two trees:
#   build/win     cross build with MinGW-w64 (programs and Wine tests), Release
#   build/native  host build of the portable code and its tests, ASan + UBSan
#   scripts/build.sh [all|win|native|programs]      (default all)
# "programs" builds only what the demo needs from the cross tree: the four
# programs and the host drop tool, none of the tests.
# VANTREL_WIN_BUILD and VANTREL_NATIVE_BUILD override the two folders. A
# build folder must be new, empty or a CMake build tree already: any other
# folder is refused (exit status 3), never written into.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
win=${VANTREL_WIN_BUILD:-build/win}
native=${VANTREL_NATIVE_BUILD:-build/native}
jobs=$(nproc)
which=${1:-all}

build_folder() {
  if [ -e "$1" ] && { [ ! -d "$1" ] || { [ ! -f "$1/CMakeCache.txt" ] && [ -n "$(ls -A "$1")" ]; }; }; then
    echo "build: $1 is neither empty nor a CMake build folder; it was left as it is." \
         "Give a new or empty folder (VANTREL_WIN_BUILD, VANTREL_NATIVE_BUILD)." >&2
    exit 3
  fi
}

case $which in
  all|win|native|programs) ;;
  *) echo "usage: $0 [all|win|native|programs]" >&2; exit 2 ;;
esac

build_native() {
  cmake -S . -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVANTREL_SANITIZE=ON >/dev/null
  cmake --build "$native" -j "$jobs"
}

# Both trees at once: the end of one build (a long compile, the links) would
# leave a core idle. The native build's output is shown when it ends.
native_job=
if [ "$which" = all ] || [ "$which" = native ]; then
  build_folder "$native"
  if [ "$which" = native ]; then
    build_native
  else
    native_log=$(mktemp)
    build_native >"$native_log" 2>&1 &
    native_job=$!
    trap 'kill "$native_job" 2>/dev/null || true; rm -f "$native_log"' EXIT
  fi
fi

if [ "$which" != native ]; then
  build_folder "$win"
  cmake -S . -B "$win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
  if [ "$which" = programs ]; then
    cmake --build "$win" -j "$jobs" --target Vantrel ftp filelist FTPClient drop_tool
  else
    cmake --build "$win" -j "$jobs"
  fi
fi

if [ -n "$native_job" ]; then
  native_status=0
  wait "$native_job" || native_status=$?
  cat "$native_log"
  exit "$native_status"
fi
