#!/bin/bash
# Builds Vantrel and starts it under Wine:
#   - lays out a program folder in build/program (Vantrel.exe, the sibling
#     programs when built, tmp\, Log\ and a Vantrel.ini that names the
#     machine table and keeps a log) — an existing Vantrel.ini is kept;
#   - uses the Wine prefix ~/.local/share/vantrel/wineprefix (made on first use);
#   - shows the window on $DISPLAY, or on an Xvfb of its own when DISPLAY is
#     unset (stopped again when the program ends).
# Extra arguments go to Vantrel.exe (e.g. "version").
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
win=${VANTREL_WIN_BUILD:-build/win}

bash scripts/setup.sh
bash scripts/build.sh win

program=$repo/build/program
mkdir -p "$program/tmp" "$program/Log"
cp -f "$win/app/Vantrel.exe" "$program/"
for exe in filelist/filelist.exe ftpclient/FTPClient.exe; do
  if [ -f "$win/$exe" ]; then cp -f "$win/$exe" "$program/"; fi
done
rm -rf "$program/help" && cp -r help "$program/help"
if [ ! -f "$program/Vantrel.ini" ]; then
  printf '[Vantrel]\r\nsystemlog=1\r\n[table]\r\nmachine=machines.ini\r\n' >"$program/Vantrel.ini"
fi

export WINEPREFIX=${VANTREL_WINEPREFIX:-$HOME/.local/share/vantrel/wineprefix}
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
bash scripts/wine-prefix.sh "$WINEPREFIX" "$win/ftp_exe/ftp.exe"

xvfb_pid=
if [ -z "${DISPLAY:-}" ]; then
  read -r DISPLAY xvfb_pid < <(bash tests/rig/start-xvfb.sh)
  export DISPLAY
  trap 'WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true; kill "$xvfb_pid" 2>/dev/null || true' EXIT
fi

cat <<INFO
run: $program/Vantrel.exe on display $DISPLAY, Wine prefix $WINEPREFIX
run: to look at it:   import -display $DISPLAY -window root shot.png
run: program folder:  $program (settings Vantrel.ini, log files in Log/)
INFO
cd "$program"
status=0
wine "$program/Vantrel.exe" "$@" || status=$?
echo "run: Vantrel.exe ended with exit code $status"
exit $status
