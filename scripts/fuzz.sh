#!/bin/bash
# Builds the libFuzzer targets of fuzz/ with clang and runs each for a while.
#   scripts/fuzz.sh [seconds per target] [target ...]   (default 60, all targets)
# Each run starts from the committed seeds in fuzz/corpus/<target>; what it
# learns goes to a scratch folder, and a failing input is kept under
# <build>/findings/ and named in the output. Targets run as many at a time
# as there are cores. Exit status 0 only when no target failed.
# VANTREL_FUZZ_BUILD overrides the build folder (new, empty or a CMake build
# folder; any other is refused with exit status 3).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
build=${VANTREL_FUZZ_BUILD:-build/fuzz}
seconds=${1:-60}
shift || true

if [ -e "$build" ] && { [ ! -d "$build" ] || { [ ! -f "$build/CMakeCache.txt" ] && [ -n "$(ls -A "$build")" ]; }; }; then
  echo "fuzz: $build is neither empty nor a CMake build folder; it was left as it is." >&2
  exit 3
fi
cmake -S fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for source in fuzz/*_fuzz.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi

scratch=$(mktemp -d /tmp/vantrel-fuzz.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$build/findings"

# One target; prints its line (and what broke) and fails with it.
fuzz_one() {
  local target=$1 log=$scratch/$1.log start runs
  mkdir -p "$scratch/$target" "fuzz/corpus/$target"
  start=$(date +%s%N)
  if "$build/$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$build/findings/$target-" "$scratch/$target" "fuzz/corpus/$target" >"$log" 2>&1; then
    runs=$(grep -o 'Done [0-9]* runs' "$log" | tail -1 || true)
    printf 'fuzz: %-28s ok   %s in %d ms\n' "$target" "${runs:-?}" $((($(date +%s%N) - start) / 1000000))
  else
    echo "fuzz: $target FAILED"
    grep -E 'invariant broken|ERROR: |SUMMARY|runtime error|Test unit written' "$log" | head -20
    return 1
  fi
}

# As many targets at a time as there are cores, each a single process.
failed=0
running=0
for target in "${targets[@]}"; do
  if [ "$running" -ge "$(nproc)" ]; then
    wait -n || failed=1
    running=$((running - 1))
  fi
  fuzz_one "$target" &
  running=$((running + 1))
done
while [ "$running" -gt 0 ]; do
  wait -n || failed=1
  running=$((running - 1))
done
exit $failed
