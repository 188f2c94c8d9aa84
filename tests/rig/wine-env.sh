# The environment every Wine program here runs in, in one place: sourced by
# the scripts (scripts/, bench/run.sh, tests/rig/*.sh), and read by the e2e
# harness (tests/e2e/vantrel_e2e.py, wine_env) through bash.
# - the Japanese locale: Wine takes code page 932 from it;
# - a 64-bit prefix (scripts/wine-prefix.sh makes only those);
# - no debug output unless WINEDEBUG asks for some (a script that reads
#   Wine's output, or makes a prefix, sets WINEDEBUG=-all before sourcing);
# - Mono and Gecko not offered for download, and no desktop menu folders
#   written into the user's home (~/.config/menus, ~/.local/share).
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
