#!/bin/bash
# Creates (or brings up to date) a 64-bit Wine prefix for running Vantrel:
#   scripts/wine-prefix.sh PREFIX [FTP_EXE]
# - Japanese locale (code page 932), Windows font names mapped to IPA fonts,
#   so that dialogs, list boxes and the status bar show Japanese;
# - Windows 10 as the version Wine reports;
# - no crash dialog, no Mono/Gecko install prompt: nothing that can block;
# - our ftp.exe in C:\windows\system32, where Windows has its own and
#   Vantrel starts it from (never beside Vantrel.exe). FTP_EXE defaults to the
#   cross build's ftp_exe/ftp.exe under build/win when it exists;
# - Wine's Marlett in C:\windows\Fonts, for the caption buttons' symbols;
# - no wineserver of its own left running: one started here, without a
#   display, would serve the next Wine program too, and that program could
#   not open any window (Wine: "nodrv_CreateWindow ... no driver could be
#   loaded"); the caller's program would end at once.
# It makes a prefix only in a folder that does not exist or is empty, and
# marks it as its own (.vantrel-prefix) before Wine writes anything there. A
# folder with other content and without that mark (an existing Wine prefix,
# a working folder) is refused whole: exit status 3 and a message naming it.
# Only a prefix of its own whose making was cut short (no .vantrel-prefix-v1
# yet, e.g. a killed first run) is emptied and made again.
set -euo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 PREFIX [FTP_EXE]" >&2
  exit 2
fi
repo=$(cd "$(dirname "$0")/.." && pwd)
prefix=$(realpath -m "$1")
ftp_exe=${2:-${VANTREL_FTP_EXE:-$repo/build/win/ftp_exe/ftp.exe}}

# Making a prefix prints nothing anyone reads.
export WINEPREFIX=$prefix WINEDEBUG=-all
source "$repo/tests/rig/wine-env.sh"
# wineboot needs no screen; a stale DISPLAY would only make it wait.
unset DISPLAY

# The wineserver of this prefix, if one runs: its working directory is the
# server directory named after the prefix's device and inode numbers.
server_running() {
  [ -d "$prefix" ] || return 1
  local id pid
  id=$(printf 'server-%x-%x' $(stat -c '%d %i' "$prefix"))
  for pid in $(pgrep -u "$(id -u)" wineserver || true); do
    case $(readlink "/proc/$pid/cwd" 2>/dev/null) in */"$id") return 0 ;; esac
  done
  return 1
}

# Ours: marked when it was claimed, or finished by an earlier version of
# this script (which left only the second mark).
owner=$prefix/.vantrel-prefix
made=$prefix/.vantrel-prefix-v1
ours() { [ -f "$owner" ] || [ -f "$made" ]; }
refuse() {
  echo "wine-prefix: $prefix $1; it was left as it is." >&2
  echo "wine-prefix: give a folder that does not exist yet or is empty (for scripts/run.sh:" \
       "VANTREL_WINEPREFIX=\$HOME/vantrel-prefix), or empty this one yourself if nothing in it is needed." >&2
  exit 3
}
if [ -e "$prefix" ]; then
  [ -d "$prefix" ] || refuse "is not a folder"
  if ! ours && [ -n "$(ls -A "$prefix")" ]; then
    refuse "is not empty and was not made by this script (no .vantrel-prefix in it)"
  fi
fi

# Serialise concurrent callers (parallel tests that all find no prefix yet)
# with a lock on the prefix folder itself, so that nothing is written beside
# it. Wine's processes must not inherit the lock (9>&- below): wineserver
# and the services outlive this script and would hold it.
mkdir -p "$prefix"
exec 9<"$prefix"
flock 9

# A server that was already running (the prefix is in use) serves the
# commands below and is left alone; one they start is waited for.
server_was_running=
if server_running; then server_was_running=1; fi

if [ ! -f "$made" ]; then
  # Checked again under the lock: another caller may have claimed it meanwhile.
  if ! ours && [ -n "$(ls -A "$prefix")" ]; then
    refuse "is not empty and was not made by this script (no .vantrel-prefix in it)"
  fi
  if [ -f "$owner" ]; then
    # Our own making, cut short: its server (if any) would keep the half-made
    # registry in memory and write it back.
    if [ -n "$server_was_running" ]; then wineserver -k 9>&- || true; server_was_running=; fi
    find "$prefix" -mindepth 1 -maxdepth 1 ! -name .vantrel-prefix -exec rm -rf {} +
  else
    echo "A Wine prefix made by Vantrel's scripts/wine-prefix.sh, which may empty and remake this folder." >"$owner"
  fi
  wineboot -i </dev/null >/dev/null 2>&1 9>&-
  wineserver -w 9>&-
  touch "$made"
fi

# Settings, applied again to older prefixes whenever they change here.
settings=$prefix/.vantrel-settings-v4
if [ ! -f "$settings" ]; then
  reg=$(mktemp --suffix=.reg)
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
    # Fixed-pitch faces to the fixed-pitch IPA fonts, proportional ones (the
    # P faces, "MS UI Gothic" and the dialog faces, which are MS UI Gothic
    # on a Japanese Windows) to the proportional ones, so that layouts are
    # checked with the kind of font Windows has.
    for name in "ＭＳ ゴシック" "MS Gothic" "ＭＳ 明朝" "MS Mincho" \
                "ＭＳ Ｐゴシック" "MS PGothic" "ＭＳ Ｐ明朝" "MS PMincho" "MS UI Gothic" \
                "MS Shell Dlg" "MS Shell Dlg 2" "MS Sans Serif" "Tahoma"; do
      case "$name" in
        "ＭＳ 明朝"|"MS Mincho") target=IPAMincho ;;
        *Ｐ明朝*|*PMincho*) target=IPAPMincho ;;
        "ＭＳ ゴシック"|"MS Gothic") target=IPAGothic ;;
        *) target=IPAPGothic ;;
      esac
      printf '"%s"="%s"\r\n' "$name" "$target"
    done
    printf '\r\n'
    # The Windows our users have: 10 (Wine 8 knows no 11). Programs that
    # declare Windows 10 in their manifest are told 10.0.18362, others 6.2,
    # as Windows does. A test that needs an older one sets it for its
    # programs under AppDefaults.
    printf '[HKEY_CURRENT_USER\\Software\\Wine]\r\n"Version"="win10"\r\n\r\n'
    # A crash ends the process (backtrace on stderr) instead of opening a dialog.
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n\r\n'
    # Unmanaged windows: with no window manager on the X server, Wine
    # otherwise waits 2 s for one at every hide of a top-level window
    # (measured: each message box took 2 s to close; the Wine unit tests
    # took 157 s instead of 7 s). Known cost: a box that opens while its
    # owner is being shown can stay below the owner on the X screen.
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="N"\r\n\r\n'
    # Mono and Gecko stay uninstalled and must not be asked for later either.
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\DllOverrides]\r\n"mscoree"=""\r\n"mshtml"=""\r\n\r\n'
    # Without Gecko the prefix has no ".html" association, so the shell
    # refuses the help pages (31, error 193); the "htmlfile" type exists and
    # opens them with winebrowser, the desktop's own browser.
    printf '[HKEY_CLASSES_ROOT\\.html]\r\n@="htmlfile"\r\n"Content Type"="text/html"\r\n\r\n'
  } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$reg"
  # A running wineserver (the prefix may be in use) takes the keys at once.
  wine regedit /S "$(winepath -w "$reg" 9>&-)" </dev/null >/dev/null 2>&1 9>&-
  rm -f "$reg"
  touch "$settings"
fi

if [ -z "$server_was_running" ]; then wineserver -w 9>&-; fi

system32=$prefix/drive_c/windows/system32
if [ -f "$ftp_exe" ] && ! cmp -s "$ftp_exe" "$system32/ftp.exe"; then
  cp -f "$ftp_exe" "$system32/ftp.exe"
fi

# Debian's Wine 8 never reads its own font folder (/usr/share/wine/fonts,
# package fonts-wine): it loads C:\windows\Fonts, the registry's font list
# and fontconfig's folders only. Without Marlett the caption buttons fall
# back to the Japanese font and show "0 1 r". Marlett has no other glyphs,
# so it takes nothing from the IPA fonts mapped above.
marlett=${VANTREL_MARLETT:-/usr/share/wine/fonts/marlett.ttf}
fonts=$prefix/drive_c/windows/Fonts
if [ -f "$marlett" ] && ! cmp -s "$marlett" "$fonts/marlett.ttf"; then
  mkdir -p "$fonts"
  cp -f "$marlett" "$fonts/marlett.ttf"
elif [ ! -f "$marlett" ]; then
  echo "wine-prefix: no $marlett (package fonts-wine): caption buttons will show letters" >&2
fi
