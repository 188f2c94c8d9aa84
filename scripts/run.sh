#!/bin/bash
# Builds Vantrel and starts a working demo under Wine:
#   - a program folder in build/program (Vantrel.exe, filelist.exe,
#     FTPClient.exe, help\, tmp\, Log\) with a Vantrel.ini that names the
#     machine table and keeps a log, and a machines.ini whose default
#     machine is the demo data server;
#   - the demo data server: a pyftpdlib FTP server on 127.0.0.20 (port 21 as
#     root, 2121 otherwise; VANTREL_DEMO_HOST changes the address), user
#     "demo", password "demo", initial folder NCDATA, files kept in
#     build/demo-server; it is stopped again when Vantrel ends;
#   - the Wine prefix ~/.local/share/vantrel/wineprefix (made on first use,
#     with our ftp.exe, since Wine ships none);
#   - the window on $DISPLAY, or on an Xvfb of its own when DISPLAY is unset.
# A Vantrel.ini or machines.ini that differs from what the demo last wrote
# there (the user's own edits) is kept. Extra arguments go to Vantrel.exe.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
win=${VANTREL_WIN_BUILD:-build/win}

bash scripts/setup.sh
bash scripts/build.sh win

host=${VANTREL_DEMO_HOST:-127.0.0.20}
if [ "$(id -u)" -eq 0 ]; then port=21; address=$host; else port=2121; address=$host:2121; fi
user=demo
password=demo
initial_folder=NCDATA

program=$repo/build/program
server_home=$repo/build/demo-server
landing=$server_home/$initial_folder
samples=$repo/build/demo-files

mkdir -p "$program/tmp" "$program/Log" "$program/.demo" "$landing" "$samples"
cp -f "$win/app/Vantrel.exe" "$win/filelist/filelist.exe" "$win/ftpclient/FTPClient.exe" "$program/"
rm -rf "$program/help" && cp -r help "$program/help"
# Something on the server, so that its file list shows at once, and an NC
# program to drop.
[ -e "$landing/O0001" ] || printf '%%\r\nO0001(DEMO)\r\nG90G54G00X0Y0\r\nM30\r\n%%\r\n' >"$landing/O0001"
printf '%%\r\nO1234(VANTREL DEMO)\r\nG90G54G00X0Y0\r\nS1000M03\r\nG01X50.F200\r\nM30\r\n%%\r\n' >"$samples/O1234.NC"

# Writes a demo file (UTF-8 text, stored as Shift-JIS with CR LF) unless the
# user has changed the one in place: the demo's last copy is kept in .demo/.
# The first run.sh wrote a Vantrel.ini of its own without that copy.
earlier_settings=$'[Vantrel]\r\nsystemlog=1\r\n[table]\r\nmachine=machines.ini\r\n'
demo_file() {
  local name=$1 text=$2 target=$program/$1 own=$program/.demo/$1
  if [ -e "$target" ] && ! cmp -s "$target" "$own" \
      && ! { [ "$name" = Vantrel.ini ] && cmp -s "$target" <(printf '%s' "$earlier_settings"); }; then
    echo "run: keeping your $target (delete it to get the demo's)"
    return
  fi
  printf '%s' "$text" | sed 's/$/\r/' | iconv -f UTF-8 -t CP932 >"$own"
  cp -f "$own" "$target"
}
demo_file Vantrel.ini "; Vantrel demo settings (scripts/run.sh)
[Vantrel]
systemlog=1
[table]
machine=machines.ini
"
demo_file machines.ini "; Vantrel demo machine table (scripts/run.sh): the demo data server
[machine]
machine0=デモ機
default=0
[デモ機]
address=$address
username=$user
password=$password
initpath=$initial_folder
extention=0
"

export WINEPREFIX=${VANTREL_WINEPREFIX:-$HOME/.local/share/vantrel/wineprefix}
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
bash scripts/wine-prefix.sh "$WINEPREFIX" "$win/ftp_exe/ftp.exe"

server_pid=
xvfb_pid=
stop() {
  if [ -n "$server_pid" ]; then kill -- -"$server_pid" 2>/dev/null || kill "$server_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then
    wineserver -k 2>/dev/null || true
    kill "$xvfb_pid" 2>/dev/null || true
  fi
}
trap stop EXIT
trap 'exit 130' INT TERM

if timeout 1 bash -c "exec 3<>/dev/tcp/$host/$port" 2>/dev/null; then
  echo "run: $host:$port is already served by another program (an earlier demo?); stop it first" >&2
  exit 1
fi
# Names are stored as the client's bytes (Shift-JIS), as the data server of
# a machining centre does.
setsid /usr/bin/python3 -c '
import sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
host, port, user, password, home = sys.argv[1:6]
authorizer = DummyAuthorizer()
authorizer.add_user(user, password, home, perm="elradfmwMT")
FTPHandler.authorizer = authorizer
FTPHandler.unicode_errors = "surrogateescape"
FTPServer((host, int(port)), FTPHandler).serve_forever(timeout=0.5)
' "$host" "$port" "$user" "$password" "$server_home" </dev/null >"$program/.demo/ftp-server.log" 2>&1 &
server_pid=$!
for _ in $(seq 50); do
  if timeout 1 bash -c "exec 3<>/dev/tcp/$host/$port" 2>/dev/null; then break; fi
  if ! kill -0 "$server_pid" 2>/dev/null; then
    echo "run: the demo FTP server did not start:" >&2
    cat "$program/.demo/ftp-server.log" >&2
    exit 1
  fi
  sleep 0.1
done

if [ -z "${DISPLAY:-}" ]; then
  read -r DISPLAY xvfb_pid < <(bash tests/rig/start-xvfb.sh)
  export DISPLAY
fi

cat <<INFO
run: Vantrel.exe starts on display $DISPLAY (Wine prefix $WINEPREFIX)
run: program folder:  $program (settings Vantrel.ini, machine table machines.ini, logs in Log/)
run: demo machine デモ機: ftp://$user:$password@$address/$initial_folder, stopped when Vantrel ends
run: dropped files land in:  $landing
run: a file to drop:         $samples/O1234.NC
INFO
if [ -n "$xvfb_pid" ]; then
  cat <<INFO
run: no desktop, so the window is on a virtual screen. To look at it:
run:   import -display $DISPLAY -window root /tmp/vantrel-demo.png
run: to drop the sample file on it (in the middle of the screen):
run:   DISPLAY=$DISPLAY $repo/$win/tests/host/xdnd_drop --x 640 --y 512 $samples/O1234.NC
run: end the demo with Ctrl+C
INFO
fi
cd "$program"
# In the background and waited for: a GUI program under Wine ignores Ctrl+C,
# so the trap ends it (at once, without its log) and then the demo.
wine "$program/Vantrel.exe" "$@" &
vantrel_pid=$!
trap 'kill -KILL "$vantrel_pid" 2>/dev/null || true; exit 130' INT TERM
status=0
wait "$vantrel_pid" || status=$?
echo "run: Vantrel.exe ended with exit code $status; demo server stopped"
exit $status
