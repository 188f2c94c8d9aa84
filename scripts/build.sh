#!/bin/bash
# Builds the two trees:
#   build/win     cross build with MinGW-w64 (programs and Wine tests), Release
#   build/native  host build of the portable code and its tests, ASan + UBSan
#   scripts/build.sh [all|win|native]      (default all)
# VANTREL_WIN_BUILD and VANTREL_NATIVE_BUILD override the two folders.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
win=${VANTREL_WIN_BUILD:-build/win}
native=${VANTREL_NATIVE_BUILD:-build/native}
jobs=$(nproc)
which=${1:-all}

if [ "$which" = all ] || [ "$which" = win ]; then
cmake -S . -B "$win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build "$win" -j "$jobs"
fi

if [ "$which" = all ] || [ "$which" = native ]; then
cmake -S . -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVANTREL_SANITIZE=ON >/dev/null
cmake --build "$native" -j "$jobs"
fi
