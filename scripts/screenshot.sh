#!/usr/bin/env bash
# Takes a picture of the program's window, as it shows under Wine, and prints where it is.
#   screenshot.sh [-b BUILD_DIR] [-d 96|144] [-p PREFIX] [-s STALE] [-c] [-o OUTPUT.png] [-- ARGUMENTS...]
# BUILD_DIR is the Windows build (default build/windows). Without PREFIX, a throwaway prefix
# with its own X server is made at the chosen DPI (default 96), the WMI test double serves
# sample printers and the Devices key holds sample names, some of them stale; everything is
# removed afterwards. With PREFIX (a Wine prefix, or a test prefix folder made by
# wine-prefix.sh), the program runs there as it is, on its own X server or the folder's.
# -s STALE adds that many stale devices to the sample, named as a terminal server's redirected
# printers are ("Imprimante (redirection 12)"). -c presses "Lancer nettoyage" and pictures the
# whole screen with the confirmation on it; the program is then stopped, with nothing deleted.
# Otherwise the window is closed with "Sortir" once pictured.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$here/../build/windows
dpi=96
prefix=
output=
stale=0
confirmation=false
while getopts "b:d:p:o:s:c" option; do
  case $option in
    b) build=$OPTARG ;;
    d) dpi=$OPTARG ;;
    p) prefix=$OPTARG ;;
    o) output=$OPTARG ;;
    s) stale=$OPTARG ;;
    c) confirmation=true ;;
    *) sed -n '2,14p' "$0" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
[ "$dpi" = 96 ] || [ "$dpi" = 144 ] || { echo "DPI 96 or 144 only" >&2; exit 2; }
program=$(cd "$build/bin" 2>/dev/null && pwd)/NettoyageImprimantes.exe
[ -f "$program" ] || { echo "No program in $build/bin: build the Windows preset first" >&2; exit 1; }
output=${output:-$PWD/nettoyage-imprimantes-$dpi.png}

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8 LC_ALL=C.UTF-8
work=$(mktemp -d)
xvfb_pid=
throwaway_root=
cleanup() {
  if [ -n "$throwaway_root" ]; then bash "$here/wine-prefix.sh" destroy "$throwaway_root" || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

if [ -z "$prefix" ]; then
  throwaway_root=$work/prefixes
  bash "$here/wine-prefix.sh" create "$throwaway_root" "$build/bin/WmiDouble.dll" >/dev/null
  export WINEPREFIX=$throwaway_root/$dpi/prefix
  export DISPLAY=":$(cat "$throwaway_root/$dpi/display")"
  # Sample inventory: three printers known to WMI, four registered devices, two of them stale.
  printf '%s\n' 'failure None' \
    'printer HP LaserJet 4250 (Comptabilité)' \
    'printer Canon iR-ADV C5535 – Étage 2' \
    'printer Microsoft Print to PDF' >"$work/wmi-double.txt"
  export PRINTER_CLEANUP_WMI_DOUBLE="Z:${work//\//\\}\\wmi-double.txt"
  devices='HKCU\Software\Microsoft\Windows NT\CurrentVersion\Devices'
  wine reg delete "$devices" /f </dev/null >/dev/null 2>&1 || true
  for name in 'HP LaserJet 4250 (Comptabilité)' 'Ancienne imprimante à Noël' \
              '\\SERVEUR\Étiquettes' 'Microsoft Print to PDF'; do
    wine reg add "$devices" /v "$name" /t REG_SZ /d 'winspool,Ne00:' /f </dev/null >/dev/null 2>&1
  done
  if [ "$stale" -gt 0 ]; then
    # One registry import rather than a process per value.
    {
      printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices]\r\n'
      for i in $(seq "$stale"); do printf '"Imprimante (redirection %d)"="winspool,TS%03d:"\r\n' "$i" "$i"; done
    } | iconv -f UTF-8 -t UTF-16 >"$work/stale.reg"
    wine regedit /s 'Z:'"${work//\//\\}"'\stale.reg' </dev/null >/dev/null 2>&1
  fi
elif [ -f "$prefix/display" ] && [ -d "$prefix/prefix" ]; then
  export WINEPREFIX=$prefix/prefix
  export DISPLAY=":$(cat "$prefix/display")"
else
  export WINEPREFIX=$prefix
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" </dev/null >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$work/display")"
fi

# Output through a file: Wine's background services may hold a pipe open.
wine "$program" "$@" </dev/null >"$work/wine.log" 2>&1 &
program_pid=$!

window=
for _ in $(seq 200); do
  window=$(xdotool search --onlyvisible --name '^Nettoyage des imprimantes$' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  kill -0 "$program_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "The window did not appear (the program ended or shows a message instead)." >&2
  import -window root "$output"
  echo "Screen saved to $output" >&2
  kill "$program_pid" 2>/dev/null || true
  exit 1
fi
sleep 1  # let the lists paint

eval "$(xdotool getwindowgeometry --shell "$window")"
# A button's centre, in twips from the client area's left and top, converted at the window's
# DPI and measured from the client area's bottom-right corner, which lies a thin frame border
# inside the window's own (Wine draws the frame and caption itself in the test prefixes).
border=$((3 * dpi / 96))
click_button() {
  xdotool mousemove $((X + WIDTH - border - (9150 - $1) * dpi / 1440)) \
                    $((Y + HEIGHT - border - (5205 - $2) * dpi / 1440)) click 1
}

if $confirmation; then
  click_button $((6120 + 1455 / 2)) $((4680 + 375 / 2))  # "Lancer nettoyage"
  box=
  for _ in $(seq 200); do
    box=$(xdotool search --onlyvisible --name '^Message QUORVANE$' 2>/dev/null | head -n 1 || true)
    [ -n "$box" ] && break
    sleep 0.1
  done
  [ -n "$box" ] || { echo "No confirmation appeared." >&2; kill "$program_pid" 2>/dev/null || true; exit 1; }
  sleep 1  # let it paint
  import -window root "$output"
  kill "$program_pid" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  echo "$output"
  exit 0
fi

import -window root "$work/screen.png"
convert "$work/screen.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$output"

click_button $((7680 + 1335 / 2)) $((4680 + 375 / 2))  # "Sortir"
status=0
for _ in $(seq 100); do
  kill -0 "$program_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$program_pid" 2>/dev/null; then
  kill "$program_pid" 2>/dev/null || true
  echo "The program did not end from \"Sortir\"; it was stopped." >&2
  status=1
else
  wait "$program_pid" || status=$?
  [ "$status" = 0 ] || echo "The program ended with exit code $status." >&2
fi
echo "$output"
exit "$status"
