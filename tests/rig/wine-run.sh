#!/bin/bash
# CTest's emulator for the cross-built test programs: runs PROGRAM ARGS...
# under Wine in the test run's prefix and display (see wine-session.sh), in
# the environment of wine-env.sh (code page 932). The exit code is the
# program's.
set -euo pipefail
rig=$(cd "$(dirname "$0")" && pwd)
source "$rig/wine-env.sh"
while IFS='=' read -r name value; do
  export "$name=$value"
done < <(bash "$rig/wine-session.sh")
exec wine "$@"
