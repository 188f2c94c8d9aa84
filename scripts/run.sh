#!/bin/bash
# Builds Vantrel and starts a working demo under Wine, as the user who types
# it (only installing missing packages asks for sudo, in scripts/setup.sh):
#   - a program folder in build/program (Vantrel.exe, filelist.exe,
#     FTPClient.exe, help\, tmp\, Log\) with a Vantrel.ini that names the
#     machine table and keeps a log, and a machines.ini whose default
#     machine is the demo data server;
#   - the demo data server: a pyftpdlib FTP server on 127.0.0.20
#     (VANTREL_DEMO_HOST changes the address), port 21 as root; an ordinary
#     user may not listen on ports below 1024, so it takes the first free
#     port from 2121 on and the machine table names it ("address:port");
#     user "demo", password "demo", initial folder NCDATA, files kept in
#     build/demo-server; it is stopped again when Vantrel ends;
#   - the Wine prefix ~/.local/share/vantrel/wineprefix (VANTREL_WINEPREFIX
#     changes it; made on first use, with our ftp.exe, since Wine ships none);
#   - the window on $DISPLAY, or on an Xvfb of its own when DISPLAY is unset;
#     then it prints how to look at the window and drop the sample on it.
# VANTREL_DEMO_DIR moves build/program, build/demo-server and
# build/demo-files elsewhere; VANTREL_WIN_BUILD names the cross build.
# Those three folders are the demo's own (each marked .vantrel-demo when
# made): an existing one with other content is refused before anything is
# written, as build.sh and wine-prefix.sh refuse folders that are not theirs.
# Inside them a Vantrel.ini, machines.ini or sample that differs from what
# the demo last wrote (the user's own edits) is kept. Extra arguments go to
# Vantrel.exe.
# Every failure ends the script with a non-zero status and says what failed
# and what to try; the script never ends silently.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
win=$(realpath -m "${VANTREL_WIN_BUILD:-build/win}")
demo=$(realpath -m "${VANTREL_DEMO_DIR:-build}")

# Prints its arguments as "run: " lines on stderr and ends the script.
fail() {
  local line
  for line in "$@"; do echo "run: $line" >&2; done
  exit 1
}

trap 'exit 130' INT TERM
# Any other failing step still says where it stopped.
trap 'echo "run: stopped at line $LINENO of scripts/run.sh: $BASH_COMMAND (its message, if any, is above)" >&2' ERR

if [ -n "${SUDO_USER:-}" ] && [ "$(id -u)" -eq 0 ]; then
  echo "run: started through sudo, so the demo runs as root; as yourself (bash scripts/run.sh) it runs" \
       "on your desktop and asks for sudo only to install missing packages"
fi

program=$demo/program
server_home=$demo/demo-server
samples=$demo/demo-files
# A folder of the demo: new, empty, or marked as the demo's.
for folder in "$program" "$server_home" "$samples"; do
  if [ -e "$folder" ] && [ ! -e "$folder/.vantrel-demo" ] \
      && { [ ! -d "$folder" ] || [ -n "$(ls -A "$folder")" ]; }; then
    fail "$folder is not empty and was not made by the demo (no .vantrel-demo in it); nothing was written there." \
      "Try: VANTREL_DEMO_DIR=\$HOME/vantrel-demo bash scripts/run.sh (a new or empty folder)."
  fi
done

bash scripts/setup.sh || fail "installing the needed packages failed (the messages above say why)." \
  "Try: sudo apt-get update, then run this script again."
status=0
VANTREL_WIN_BUILD=$win bash scripts/build.sh programs || status=$?
if [ "$status" -eq 3 ]; then
  fail "the build folder $win is not one (its message is above)." \
    "Try: VANTREL_WIN_BUILD=\$HOME/vantrel-build bash scripts/run.sh (a new or empty folder)."
elif [ "$status" -ne 0 ]; then
  if [ -e "$win" ] && [ ! -O "$win" ]; then
    fail "building Vantrel failed: $win belongs to $(stat -c %U "$win") (an earlier run through sudo?)." \
      "Try: sudo chown -R $(id -un) $win $demo; then run this script again."
  fi
  fail "building Vantrel failed (the compiler's messages are above)." \
    "Try: rm -rf $win; then run this script again (a build from scratch takes a few minutes)."
fi

host=${VANTREL_DEMO_HOST:-127.0.0.20}
if [ "$(id -u)" -eq 0 ]; then ports=(21); else ports=($(seq 2121 2130)); fi
user=demo
password=demo
initial_folder=NCDATA

landing=$server_home/$initial_folder

mkdir -p "$program/tmp" "$program/Log" "$program/.demo" "$landing" "$samples" 2>/dev/null && [ -w "$program" ] \
  && touch "$program/.vantrel-demo" "$server_home/.vantrel-demo" "$samples/.vantrel-demo" 2>/dev/null \
  || fail "cannot write the demo's folders in $demo as $(id -un) (an earlier run through sudo?)." \
    "Try: sudo chown -R $(id -un) $demo; then run this script again."
# The programs and help pages of this build (help pages are copied over,
# none is removed).
cp -f "$win/app/Vantrel.exe" "$win/filelist/filelist.exe" "$win/ftpclient/FTPClient.exe" "$program/"
mkdir -p "$program/help" && cp -r help/. "$program/help/"
# Something on the server, so that its file list shows at once, and an NC
# program to drop; both only when missing.
[ -e "$landing/O0001" ] || printf '%%\r\nO0001(DEMO)\r\nG90G54G00X0Y0\r\nM30\r\n%%\r\n' >"$landing/O0001"
[ -e "$samples/O1234.NC" ] \
  || printf '%%\r\nO1234(VANTREL DEMO)\r\nG90G54G00X0Y0\r\nS1000M03\r\nG01X50.F200\r\nM30\r\n%%\r\n' >"$samples/O1234.NC"

export WINEPREFIX=${VANTREL_WINEPREFIX:-$HOME/.local/share/vantrel/wineprefix}
# Wine's error lines (or what the user's WINEDEBUG asks for): shown when
# Vantrel's window never opens.
export WINEDEBUG=${WINEDEBUG:--all,err+all}
source tests/rig/wine-env.sh
if [ -e "$WINEPREFIX" ] && [ ! -O "$WINEPREFIX" ]; then
  fail "the Wine prefix $WINEPREFIX belongs to $(stat -c %U "$WINEPREFIX"), not to $(id -un); Wine refuses it." \
    "Try: VANTREL_WINEPREFIX=\$HOME/vantrel-prefix bash scripts/run.sh (or remove that folder as its owner)."
fi
status=0
bash scripts/wine-prefix.sh "$WINEPREFIX" "$win/ftp_exe/ftp.exe" || status=$?
if [ "$status" -eq 3 ]; then
  fail "the Wine prefix folder $WINEPREFIX was refused (its message is above)."
elif [ "$status" -ne 0 ]; then
  fail "making the Wine prefix $WINEPREFIX failed (Wine's messages are above)." \
    "Try: run this script again: a prefix whose making was cut short is made anew."
fi

server_pid=
xvfb_pid=
vantrel_pid=
# Every Windows program that Vantrel.exe starts (FTPClient.exe, ftp.exe and
# the console Wine gives it) runs in a Unix session of its own, a child of
# init, not of this script (measured under Wine 8), so none is found through
# its parent or process group. Each inherits Vantrel's environment, and with
# it this run's mark: the processes of this run whose program matches $1.
run_mark=VANTREL_DEMO_RUN=$$.$(date +%s%N)
started_by_demo() {
  local dir
  for dir in /proc/[0-9]*; do
    grep -qzx "$run_mark" "$dir/environ" 2>/dev/null || continue
    tr '\0' '\n' <"$dir/cmdline" 2>/dev/null | head -n 1 | grep -qiE "$1" && echo "${dir#/proc/}"
  done
  return 0
}
stop() {
  # (waited for here, so that bash does not report the killed job)
  if [ -n "$vantrel_pid" ]; then { kill -KILL "$vantrel_pid"; wait "$vantrel_pid"; } 2>/dev/null || true; fi
  # What Vantrel started ends with the demo. On a desktop only its programs:
  # Wine's own services also serve the user's other programs in the prefix
  # and end by themselves with the last of them. On the demo's own screen
  # every Windows process of this run ends; the wineserver then follows.
  local programs='\\(FTPClient|ftp|conhost)\.exe$' pids
  if [ -n "$xvfb_pid" ]; then programs='\.exe$'; fi
  pids=$(started_by_demo "$programs")
  if [ -n "$pids" ]; then kill -KILL $pids 2>/dev/null || true; fi
  if [ -n "$server_pid" ]; then kill -- -"$server_pid" 2>/dev/null || kill "$server_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then
    WINEPREFIX=$WINEPREFIX timeout 20 wineserver -w 2>/dev/null || true
    kill "$xvfb_pid" 2>/dev/null || true
  fi
}
trap stop EXIT

# The tests' FTP server: names are stored as the client's bytes (Shift-JIS),
# as the data server of a machining centre does. It takes the first port it
# may listen on and prints it. A wrong password is refused after pyftpdlib's
# own pause of 3 s, as a real server pauses.
server_log=$program/.demo/ftp-server.log
setsid /usr/bin/python3 tests/rig/ftp_test_server.py --host="$host" --user="$user" --password="$password" \
  --root="$server_home" "${ports[@]/#/--port=}" --refused-login-delay=3 </dev/null >"$server_log" 2>&1 &
server_pid=$!
port=
for _ in $(seq 100); do
  port=$(sed -n 's/^listening on port \([0-9]*\)$/\1/p' "$server_log")
  [ -n "$port" ] && break
  if ! kill -0 "$server_pid" 2>/dev/null; then
    server_pid=
    fail "the demo FTP server could not listen on $host (port ${ports[*]}):" "$(cat "$server_log")" \
      "An earlier demo may still be running (close its window), or another program serves that address." \
      "Try another loopback address: VANTREL_DEMO_HOST=127.0.0.30 bash scripts/run.sh"
  fi
  sleep 0.1
done
[ -n "$port" ] || fail "the demo FTP server did not start within 10 s:" "$(cat "$server_log")"
if [ "$port" = 21 ]; then address=$host; else address=$host:$port; fi

# Writes a demo file (UTF-8 text, stored as Shift-JIS with CR LF) unless the
# user has changed the one in place: the demo's last copy is kept in .demo/.
demo_file() {
  local text=$2 target=$program/$1 own=$program/.demo/$1
  if [ -e "$target" ] && ! cmp -s "$target" "$own"; then
    echo "run: keeping your $target (delete it to get the demo's)"
    return
  fi
  printf '%s' "$text" | sed 's/$/\r/' | iconv -f UTF-8 -t CP932 >"$own"
  cp -f "$own" "$target"
}
demo_file Vantrel.ini "; Vantrel demo settings (scripts/run.sh)
[Vantrel]
systemlog=1
; verify=1: after each transfer Vantrel logs in once more, reads the file back
; and compares it byte for byte with the one dropped (「... 転送確認済み」);
; it costs that login and one read of the whole file per file. 0, or no line: no check.
verify=1
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

if [ -n "${DISPLAY:-}" ]; then
  xdpyinfo -display "$DISPLAY" >/dev/null 2>&1 || fail "cannot open the display $DISPLAY as $(id -un)." \
    "If you started this through sudo or su, run it as the user of the desktop instead;" \
    "without a desktop, unset DISPLAY and the demo uses a virtual screen of its own."
else
  if ! read -r DISPLAY xvfb_pid < <(bash tests/rig/start-xvfb.sh); then
    fail "no DISPLAY is set and the virtual X server (Xvfb) did not start." \
      "Try: bash scripts/setup.sh (it installs xvfb), or run this on a desktop."
  fi
  export DISPLAY
fi

cat <<INFO
run: Vantrel.exe starts on display $DISPLAY (Wine prefix $WINEPREFIX)
run: program folder:  $program (settings Vantrel.ini, machine table machines.ini)
run: demo machine デモ機: ftp://$user:$password@$address/$initial_folder, stopped when Vantrel ends
run: dropped files land in:  $landing
run: a file to drop:         $samples/O1234.NC
run: closing the window (【終了】) ends the demo and writes the day's log into $program/Log
run: Ctrl+C ends the demo and every program it started at once, without a log
INFO

cd "$program"
# Wine's error lines go to a file of their own, shown when the window never
# opens. In the background and waited for: a GUI program under Wine ignores
# Ctrl+C, so the trap ends it (at once, without its log) and then the demo.
wine_log=$program/.demo/wine.log
started=$(date +%s)
env "$run_mark" wine "$program/Vantrel.exe" "$@" 2>"$wine_log" &
vantrel_pid=$!
trap 'echo "run: stopped by Ctrl+C: Vantrel.exe and what it started were ended at once (no log written); demo server stopped"; exit 130' INT
trap 'exit 143' TERM

# The Wine process keeps the Unix process id and sets it on its X windows.
# (kill -0 would also succeed for the ended, not yet waited-for process.)
running() { local state; state=$(ps -o stat= -p "$1" 2>/dev/null) && [[ $state != Z* ]]; }
shown=
while [ -z "$shown" ] && running "$vantrel_pid"; do
  if xdotool search --onlyvisible --pid "$vantrel_pid" >/dev/null 2>&1; then shown=1; else sleep 0.3; fi
done
if [ -n "$shown" ]; then
  echo "run: the window is open"
  if [ -n "$xvfb_pid" ]; then
    cat <<INFO
run: no desktop, so the window is on a virtual screen. To look at it:
run:   import -display $DISPLAY -window root /tmp/vantrel-demo.png
run: to drop the sample file on it (in the middle of the screen):
run:   DISPLAY=$DISPLAY $win/tests/host/xdnd_drop --x 640 --y 512 $samples/O1234.NC
INFO
  fi
fi
status=0
wait "$vantrel_pid" || status=$?
vantrel_pid=

if [ -z "$shown" ]; then
  lines=("Vantrel.exe ended (exit code $status, after $(($(date +%s) - started)) s) without ever showing its window.")
  errors=$(grep -a 'err:' "$wine_log" | tail -n 12 || true)
  if [ -n "$errors" ]; then
    lines+=("Wine reported:")
    while IFS= read -r line; do lines+=("  $line"); done <<<"$errors"
  else
    lines+=("Wine reported no error.")
  fi
  if grep -aq 'nodrv_CreateWindow' "$wine_log"; then
    lines+=("Wine could not use the display: a wineserver of this prefix that was started without a display" \
            "is still running. Try: WINEPREFIX=$WINEPREFIX wineserver -k; then run this script again.")
  fi
  lines+=("What to try: close any Vantrel window that is already open (a second Vantrel hands over to it and ends);" \
          "start over with a new prefix: rm -rf $WINEPREFIX; Wine's whole output is in $wine_log")
  fail "${lines[@]}"
fi
log=$program/Log/Vantrel$(date +%Y%m%d).log
if [ -f "$log" ] && [ "$(stat -c %Y "$log")" -ge "$started" ]; then
  echo "run: Vantrel.exe ended with exit code $status; demo server stopped; its log: $log"
else
  echo "run: Vantrel.exe ended with exit code $status; demo server stopped"
fi
exit $status
