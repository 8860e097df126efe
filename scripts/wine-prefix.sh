#!/usr/bin/env bash
# Throwaway Wine prefixes for the Windows-side tests, each with its own X server:
#   wine-prefix.sh create ROOT [WMI_DOUBLE_DLL]
#                                  ROOT/96 reports 96 DPI, ROOT/144 reports 144 DPI; with the
#                                  DLL, the winmgmts moniker binds the WMI test double
#   wine-prefix.sh destroy ROOT    stops their wineservers and X servers
# In each, prefix/ is the Wine prefix and display holds the X display number. The screens are
# 1024 x 768 unless WINE_TEST_SCREEN gives another Xvfb screen (for example 1280x1024x24).
# Any failure exits non-zero, so the tests that need the prefixes fail rather than skip.
set -euo pipefail

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

start_display() {
  local dir=$1
  rm -f "$dir/display"
  Xvfb -displayfd 3 -screen 0 "${WINE_TEST_SCREEN:-1024x768x24}" -nolisten tcp 3>"$dir/display" </dev/null >/dev/null 2>&1 &
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

# Points the winmgmts ProgID (read from HKLM\Software\Classes) at the WMI test double, and
# keeps Wine's own class id under HKLM\Software\PrinterCleanupTests\WmiDouble so a test can
# switch back to Wine's WMI. Keep the class id in step with tests/wmi_double/WmiDoubleProtocol.h.
register_wmi_double() {
  local dir=$1 dll=$2
  local double_clsid='{6B1C4E2A-93D7-4F0B-A8E5-3C2D71F90A14}'
  local classes='HKLM\Software\Classes'
  [ -f "$dll" ] || { echo "WMI test double not found: $dll" >&2; return 1; }
  local windows_dll="Z:${dll//\//\\}"
  local query
  query=$(mktemp)
  WINEPREFIX="$dir/prefix" DISPLAY=":$(cat "$dir/display")" \
    wine reg query "$classes\winmgmts\CLSID" /ve </dev/null >"$query" 2>&1 || true
  local wine_clsid
  wine_clsid=$(grep -o '{[0-9A-Fa-f-]*}' "$query" | head -n 1 || true)
  rm -f "$query"
  [ -n "$wine_clsid" ] || { echo "Wine's winmgmts class id was not found in $dir" >&2; return 1; }
  in_prefix "$dir" wine reg add 'HKLM\Software\PrinterCleanupTests\WmiDouble' /v WineWinmgmtsClsid /t REG_SZ /d "$wine_clsid" /f
  in_prefix "$dir" wine reg add "$classes\CLSID\\$double_clsid" /ve /t REG_SZ /d 'WMI test double' /f
  in_prefix "$dir" wine reg add "$classes\CLSID\\$double_clsid\InprocServer32" /ve /t REG_SZ /d "$windows_dll" /f
  in_prefix "$dir" wine reg add "$classes\CLSID\\$double_clsid\InprocServer32" /v ThreadingModel /t REG_SZ /d Apartment /f
  in_prefix "$dir" wine reg add "$classes\winmgmts\CLSID" /ve /t REG_SZ /d "$double_clsid" /f
}

stop() {
  local dir=$1
  if [ -d "$dir/prefix" ]; then WINEPREFIX="$dir/prefix" wineserver -k </dev/null >/dev/null 2>&1 || true; fi
  if [ -f "$dir/xvfb.pid" ]; then kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true; fi
  rm -f "$dir/xvfb.pid"
}

# One attempt at making both prefixes; "create" retries it, since a prefix that fails to boot
# once (a passing clash over an X display, a wineserver still exiting) usually boots the next time.
create_once() {
  local root=$1 double_dll=${2:-}
  stop "$root/96"
  stop "$root/144"
  rm -rf "$root" && mkdir -p "$root/96" "$root/144"
  start_display "$root/96"
  start_display "$root/144"
  in_prefix "$root/96" wine wineboot -i || { echo "wineboot failed in $root/96" >&2; return 1; }
  in_prefix "$root/96" wineserver -w
  [ -f "$root/96/prefix/system.reg" ] || { echo "Wine prefix was not created in $root/96" >&2; return 1; }
  # Without a window manager, Wine's X11 driver waits about two seconds for one whenever a
  # window closes; Wine drawing its own frames, as Windows does, removes that wait.
  in_prefix "$root/96" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f ||
    { echo "cannot set Wine's X11 driver options in $root/96" >&2; return 1; }
  if [ -n "$double_dll" ]; then
    register_wmi_double "$root/96" "$double_dll" || return 1
  fi
  in_prefix "$root/96" wineserver -w
  cp -a "$root/96/prefix" "$root/144/prefix"
  in_prefix "$root/144" wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f ||
    { echo "cannot set 144 DPI in $root/144" >&2; return 1; }
  in_prefix "$root/144" wineserver -w
  start_server "$root/96" || { echo "cannot start the wineserver of $root/96" >&2; return 1; }
  start_server "$root/144" || { echo "cannot start the wineserver of $root/144" >&2; return 1; }
  echo "Wine prefixes ready: $root/96 (display :$(cat "$root/96/display")), $root/144 (display :$(cat "$root/144/display"))"
}

case "${1:-}" in
  create)
    for attempt in 1 2 3; do
      # A separate process, so that errexit holds inside the attempt.
      if "$0" create-once "$2" "${3:-}"; then exit 0; fi
      echo "Making the Wine test prefixes failed (attempt $attempt of 3)" >&2
      sleep 2
    done
    exit 1
    ;;
  create-once)
    create_once "$2" "${3:-}"
    ;;
  destroy)
    stop "$2/96"
    stop "$2/144"
    ;;
  *)
    echo "usage: $0 create ROOT [WMI_DOUBLE_DLL] | destroy ROOT" >&2
    exit 2
    ;;
esac
