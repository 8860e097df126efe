#!/usr/bin/env bash
# Runs a Windows executable under Wine in a test prefix made by wine-prefix.sh:
#   wine-run.sh DIR program.exe [arguments...]
# Wine's output goes through a file: Wine's background services may inherit whatever the
# first command had, and a pipe held open by them would never end.
set -uo pipefail
dir=$1
shift
if [ ! -f "$dir/prefix/system.reg" ] || [ ! -s "$dir/display" ]; then
  echo "No Wine test prefix in $dir: its set-up failed or did not run" >&2
  exit 1
fi
export WINEPREFIX="$dir/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export DISPLAY=":$(cat "$dir/display")"
output=$(mktemp)
# Tests read what the programs they start print here (Wine's debug channels) by this name.
export WINE_RUN_OUTPUT="Z:${output//\//\\}"
wine "$@" <"/dev/null" >"$output" 2>&1
status=$?
# A program that ran always prints something (GoogleTest its banner, at the latest when it
# exits). A failure with no output at all is Wine failing to start the program, seen once in
# hundreds of runs: it is said, with its status, and the program is started once more.
if [ "$status" -ne 0 ] && [ ! -s "$output" ]; then
  echo "wine-run.sh: wine ended with status $status and printed nothing; starting $1 once more" >&2
  wine "$@" <"/dev/null" >"$output" 2>&1
  status=$?
fi
cat "$output"
rm -f "$output"
exit $status
