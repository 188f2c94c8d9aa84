#!/bin/bash
# CTest's emulator for the cross-built test programs: runs PROGRAM ARGS...
# under Wine in the test run's prefix and display (see wine-env.sh), with
# the Japanese locale (code page 932). The exit code is the program's.
set -euo pipefail
rig=$(cd "$(dirname "$0")" && pwd)
while IFS='=' read -r name value; do
  export "$name=$value"
done < <(bash "$rig/wine-env.sh")
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
exec wine "$@"
