#!/usr/bin/env bash
# Runs the real program under Wine on a sample: a throwaway Wine prefix whose Devices key
# lists a few installed and a few stale printer devices (samples/printers.txt), each with its
# twin under PrinterPorts and its printing preferences under DevModes2 and DevModePerUser as
# Windows writes them, a printer that is gone of which only those three values are left, and
# the WMI test double reporting the installed ones.
#
#   run-sample.sh       the window: on your display when DISPLAY is set (press "Lancer
#                       nettoyage", read the list, answer Yes or No); without a display, a
#                       scripted walk-through on a virtual screen that saves screenshots
#   run-sample.sh /s    the silent cleanup (/q: the same, whose errors are never shown)
#   run-sample.sh /l    the preview: the names "/s" would delete, and nothing deleted
#
# Either way it prints the four keys (Devices, PrinterPorts, DevModes2, DevModePerUser) before
# and after, then times "/s" runs on the sample.
# Debian 12, as root: installs what it needs and builds the Windows preset first.
# BUILD_DIR=DIR builds with the MinGW-w64 toolchain there instead of the preset's folder.
# SAMPLE_TIMED_RUNS=N sets how many "/s" runs are timed (default 5, 0 for none).
# SAMPLE_EXE=FILE runs that NettoyageImprimantes.exe (a release, signed or not) instead of
# the one built; the WMI test double is still built.
set -euo pipefail
sample_exe=
if [ -n "${SAMPLE_EXE:-}" ]; then
  [ -f "$SAMPLE_EXE" ] || { echo "SAMPLE_EXE: no such file: $SAMPLE_EXE" >&2; exit 2; }
  sample_exe=$(realpath "$SAMPLE_EXE")
fi
cd "$(dirname "$0")/.."
root=$PWD

mode=${1:-}
if [ $# -gt 1 ] || { [ -n "$mode" ] && [ "$mode" != "/s" ] && [ "$mode" != "/q" ] && [ "$mode" != "/l" ]; }; then
  echo "usage: $0 [/s | /q | /l]" >&2
  exit 2
fi
timed_runs=${SAMPLE_TIMED_RUNS:-5}

bash scripts/install-deps.sh

if [ -z "${BUILD_DIR:-}" ]; then
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j"$(nproc)"
  bin=$root/build/windows/bin
else
  cmake -S . -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
  targets=(NettoyageImprimantes WmiDouble)
  if [ -n "$sample_exe" ]; then targets=(WmiDouble); fi
  cmake --build "$BUILD_DIR" -j"$(nproc)" --target "${targets[@]}"
  bin=$BUILD_DIR/bin
fi
exe=${sample_exe:-$bin/NettoyageImprimantes.exe}

work=$(mktemp -d /tmp/run-sample.XXXXXX)
shots=$work/screenshots
mkdir -p "$shots"
echo "Program: $exe"
echo "Making a throwaway Wine prefix in $work/wine ..."
bash scripts/wine-prefix.sh create "$work/wine" "$bin/WmiDouble.dll" >/dev/null
keep_screenshots=false
# shellcheck disable=SC2317  # run by the EXIT trap
finish() {
  bash "$root/scripts/wine-prefix.sh" destroy "$work/wine" >/dev/null 2>&1 || true
  if $keep_screenshots; then
    find "$work" -mindepth 1 -maxdepth 1 ! -name screenshots -exec rm -rf {} +
  else
    rm -rf "$work"
  fi
}
trap finish EXIT

export WINEPREFIX=$work/wine/96/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
devices_key='HKEY_CURRENT_USER\Software\Microsoft\Windows NT\CurrentVersion\Devices'
ports_key='HKEY_CURRENT_USER\Software\Microsoft\Windows NT\CurrentVersion\PrinterPorts'
devmodes_key='HKEY_CURRENT_USER\Printers\DevModes2'
per_user_key='HKEY_CURRENT_USER\Printers\DevModePerUser'

# Wine commands write to files, never to a pipe: the background services Wine starts with
# the first command inherit its output, and a pipe they hold open would never end.
quiet() { "$@" </dev/null >/dev/null 2>&1; }

if [ -n "${DISPLAY:-}" ]; then
  headless=false
  # Restart the prefix's Wine services on the caller's display.
  quiet wineserver -k || true
  quiet wineserver -p
  quiet wine cmd /c exit
else
  headless=true
  DISPLAY=":$(cat "$work/wine/96/display")"
  export DISPLAY
  # No window manager runs on the virtual screen: Wine draws the window frames itself, and
  # does not wait for a window manager's answer each time a window closes.
  quiet wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f
fi

# The sample: the four keys (replaced whole) and the WMI double's configuration.
installed=()
registered=()
traced=()  # values under PrinterPorts, DevModes2 and DevModePerUser only
while IFS= read -r line; do
  case "$line" in
    installed\ *) installed+=("${line#installed }"); registered+=("${line#installed }") ;;
    stale\ *) registered+=("${line#stale }") ;;
    traces\ *) traced+=("${line#traces }") ;;
  esac
done <samples/printers.txt

# A user's printing preferences for a printer, as a .reg hex value: a DEVMODEW of 220 bytes
# (no driver part), the printer's name first, then its version (0x0401) and its size.
devmode_hex() {
  local -a bytes
  read -r -a bytes < <(printf '%s' "${1:0:31}" | iconv -f UTF-8 -t UTF-16LE | od -An -v -tx1 | tr '\n' ' ')
  while [ ${#bytes[@]} -lt 220 ]; do bytes+=(00); done
  bytes[64]=01 bytes[65]=04 bytes[68]=dc
  local IFS=,
  echo "hex:${bytes[*]}"
}

reg_file=$work/devices.reg
{
  printf 'Windows Registry Editor Version 5.00\r\n'
  for key in "$devices_key" "$ports_key" "$devmodes_key" "$per_user_key"; do
    printf '\r\n[-%s]\r\n\r\n[%s]\r\n' "$key" "$key"
    port=0
    names=("${registered[@]}")
    if [ "$key" != "$devices_key" ]; then names+=("${traced[@]}"); fi
    for name in "${names[@]}"; do
      escaped=${name//\\/\\\\}
      escaped=${escaped//\"/\\\"}
      # A device: driver, port; its twin: the same and the two time-outs; its preferences.
      case "$key" in
        "$devices_key") printf '"%s"="winspool,Ne%02d:"\r\n' "$escaped" "$port" ;;
        "$ports_key") printf '"%s"="winspool,Ne%02d:,15,45"\r\n' "$escaped" "$port" ;;
        *) printf '"%s"=%s\r\n' "$escaped" "$(devmode_hex "$name")" ;;
      esac
      port=$((port + 1))
    done
  done
} | { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } >"$reg_file"

wmi_config=$work/wmi-double.conf
{
  printf 'failure None\nindex 0\n'
  for name in "${installed[@]}"; do printf 'printer %s\n' "$name"; done
} >"$wmi_config"
PRINTER_CLEANUP_WMI_DOUBLE="Z:${wmi_config//\//\\}"
export PRINTER_CLEANUP_WMI_DOUBLE

seed() { quiet wine regedit /S "Z:${reg_file//\//\\}"; }

# The values of one key, one per line, indented.
key_values() {
  local export_file=$work/key-export.reg
  rm -f "$export_file"
  quiet wine reg export "$1" "Z:${export_file//\//\\}" /y || true
  if [ -f "$export_file" ]; then
    # A binary value is shown by its size, not its bytes.
    iconv -f UTF-16 -t UTF-8 "$export_file" | tr -d '\r' | sed -E ':a;/\\$/{N;s/\\\n *//;ba}' | grep '^"' |
      awk '{ if (match($0, /=hex:/)) { n = split(substr($0, RSTART + 5), b, ","); $0 = substr($0, 1, RSTART) "hex (" n " octets)" } print "    " $0 }' || true
  else
    echo "    (no such key)"
  fi
}

show_devices() {
  echo "$1"
  key_values "$devices_key"
  echo "  and its twin, PrinterPorts:"
  key_values "$ports_key"
  echo "  the printing preferences, Printers\\DevModes2:"
  key_values "$devmodes_key"
  echo "  and Printers\\DevModePerUser:"
  key_values "$per_user_key"
}

# Waits for a visible window with this title, other than the one given; prints its id.
wait_for_window() {
  local title=$1 other=${2:-} id
  for _ in $(seq 300); do
    for id in $(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null || true); do
      if [ "$id" != "$other" ]; then
        echo "$id"
        return 0
      fi
    done
    sleep 0.1
  done
  echo "no window \"$title\" appeared" >&2
  return 1
}

screenshot() {
  sleep 0.5  # let the window paint
  import -window root -crop 700x480+0+0 +repage "$shots/$1"
  echo "  screenshot: $shots/$1"
}

seed
show_devices "The four keys before ($(printf '%s, ' "${installed[@]}" | sed 's/, $//') reported by WMI), Devices:"
echo

status=0
if [ "$mode" = "/s" ] || [ "$mode" = "/q" ]; then
  echo "Silent run: NettoyageImprimantes.exe $mode"
  timeout 180 wine "$exe" "$mode" </dev/null >"$work/product.log" 2>&1 || status=$?
elif [ "$mode" = "/l" ]; then
  echo "Preview: NettoyageImprimantes.exe /l > liste.txt (exit code 3: stale values found; 0: none)"
  timeout 120 wine "$exe" /l </dev/null >"$work/preview.txt" 2>"$work/product.log" || status=$?
  echo "liste.txt, in the OEM code page:"
  iconv -f CP850 -t UTF-8 "$work/preview.txt" | tr -d '\r' | sed 's/^/    /' 
elif ! $headless; then
  echo "NettoyageImprimantes.exe is open on your display: press \"Lancer nettoyage\", read the list"
  echo "of stale printers and answer Yes to delete them (No keeps them; \"Sortir\" quits)."
  wine "$exe" </dev/null >"$work/product.log" 2>&1 || status=$?
else
  echo "Walk-through on the virtual screen $DISPLAY:"
  keep_screenshots=true
  wine "$exe" </dev/null >"$work/product.log" 2>&1 &
  product=$!
  window=$(wait_for_window 'Nettoyage des imprimantes')
  echo "1. The window shows both lists: WMI's printers on the left, the Devices key on the right."
  screenshot 1-both-lists.png

  # "Lancer nettoyage": its centre is at (456, 324) in the client area at 96 DPI; the frame
  # Wine draws is as wide on each side as at the bottom, the caption takes the rest.
  eval "$(xdotool getwindowgeometry --shell "$window")"
  border=$(((WIDTH - 610) / 2))
  caption=$((HEIGHT - 347 - border))
  xdotool mousemove $((X + border + 456)) $((Y + caption + 324)) click 1
  confirmation=$(wait_for_window 'Message QUORVANE')
  echo "2. \"Lancer nettoyage\" pressed: the stale names are listed in the small list and in the question."
  screenshot 2-confirmation.png

  xdotool key Return  # Yes is the default button
  wait_for_window 'Message QUORVANE' "$confirmation" >/dev/null
  echo "3. Yes: the stale values are deleted and the program says \"Nettoyage terminé !\"."
  screenshot 3-done.png
  xdotool key Return
  wait "$product" || status=$?
  echo "4. OK: the program ended."
fi
echo "Exit code: $status"
echo
show_devices "The four keys after, Devices:"

if [ "$timed_runs" -gt 0 ]; then
  echo
  echo "Timing \"/s\" on the sample (${#registered[@]} devices, ${#installed[@]} installed), wall clock of"
  echo "the wine command with the prefix's Wine server already running, re-seeded before each run:"
  times=()
  for run in $(seq "$timed_runs"); do
    seed
    start=$(date +%s%N)
    timeout 120 wine "$exe" /s </dev/null >"$work/timed.log" 2>&1 || echo "  run $run failed" >&2
    end=$(date +%s%N)
    times+=($(((end - start) / 1000000)))
    left=$(key_values "$devices_key" | grep -c '^    "' || true)
    echo "  run $run: ${times[-1]} ms ($((${#registered[@]} - left)) stale values deleted, $left kept)"
  done
  mapfile -t sorted < <(printf '%s\n' "${times[@]}" | sort -n)
  echo "  median: ${sorted[$((timed_runs / 2))]} ms, fastest: ${sorted[0]} ms"
fi

if $keep_screenshots; then
  echo
  echo "Screenshots: $shots"
fi
exit "$status"
