#!/usr/bin/env bash
# Throwaway Wine prefixes for the Windows-side tests, each with its own X server:
#   wine-prefix.sh create ROOT     ROOT/96 reports 96 DPI, ROOT/144 reports 144 DPI
#   wine-prefix.sh destroy ROOT    stops their wineservers and X servers
# In each, prefix/ is the Wine prefix and display holds the X display number.
# Any failure exits non-zero, so the tests that need the prefixes fail rather than skip.
set -euo pipefail

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

start_display() {
  local dir=$1
  rm -f "$dir/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display" </dev/null >/dev/null 2>&1 &
  echo $! >"$dir/xvfb.pid"
  for _ in $(seq 100); do
    [ -s "$dir/display" ] && return 0
    sleep 0.1
  done
  echo "Xvfb did not start for $dir" >&2
  return 1
}

in_prefix() {
  local dir=$1
  shift
  WINEPREFIX="$dir/prefix" DISPLAY=":$(cat "$dir/display")" "$@" </dev/null >/dev/null 2>&1
}

# Keeps one wineserver (one registry) alive between the many short test runs, and starts
# Wine's background services now with their output sent nowhere, so that no test command's
# output is held open by them.
start_server() {
  in_prefix "$1" wineserver -p
  in_prefix "$1" wine cmd /c exit
}

stop() {
  local dir=$1
  if [ -d "$dir/prefix" ]; then WINEPREFIX="$dir/prefix" wineserver -k </dev/null >/dev/null 2>&1 || true; fi
  if [ -f "$dir/xvfb.pid" ]; then kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true; fi
  rm -f "$dir/xvfb.pid"
}

case "${1:-}" in
  create)
    root=$2
    stop "$root/96"
    stop "$root/144"
    rm -rf "$root" && mkdir -p "$root/96" "$root/144"
    start_display "$root/96"
    start_display "$root/144"
    in_prefix "$root/96" wine wineboot -i
    in_prefix "$root/96" wineserver -w
    [ -f "$root/96/prefix/system.reg" ] || { echo "Wine prefix was not created in $root/96" >&2; exit 1; }
    cp -a "$root/96/prefix" "$root/144/prefix"
    in_prefix "$root/144" wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f
    in_prefix "$root/144" wineserver -w
    start_server "$root/96"
    start_server "$root/144"
    echo "Wine prefixes ready: $root/96 (display :$(cat "$root/96/display")), $root/144 (display :$(cat "$root/144/display"))"
    ;;
  destroy)
    stop "$2/96"
    stop "$2/144"
    ;;
  *)
    echo "usage: $0 create ROOT | destroy ROOT" >&2
    exit 2
    ;;
esac
