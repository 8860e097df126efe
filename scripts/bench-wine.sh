#!/usr/bin/env bash
# Whole-program benchmark under Wine, in a throwaway prefix whose Devices key holds 32767
# values, each with its twin under PrinterPorts and its printing preferences under DevModes2 and
# DevModePerUser (a bare 220-byte DEVMODEW each), and whose WMI test double serves 16384
# printers, every other registry name among them (so 16383 devices are stale). Beside them,
# 16383 printers of which only traces are left: a DEVMODEW under DevModes2 and DevModePerUser
# each, nothing under Devices or PrinterPorts. The cleanup's list then holds 16383 stale devices,
# its heading and 16383 such names: 32767 entries, all it can hold. The prefix's print spooler
# lists 50 printers of its own, none of them in the registry, so every name to delete is also
# looked up among the spooler's:
#   scripts/bench-wine.sh [BUILD_DIR] [RUNS]
# BUILD_DIR is a Windows build (default build/windows, built beforehand with
# `cmake --build --preset windows`); RUNS (default 5) runs of each case, median reported.
# BASELINE_EXE=FILE also times "/s" of that NettoyageImprimantes.exe (an earlier release) on the
# same key, in the same runs, and counts the values it deleted (1.4.0 deletes the four values
# of each stale device and leaves the other names' preferences), to compare the time per value
# deleted.
# The cases, each run re-seeded first:
#   silent    the product with "/s", from its start to its exit: every key must then hold the
#             16384 live printers' values only;
#   floor     bench/win32's floor: one enumeration of Devices through Module1::EnumRegValues,
#             the four trace keys read once each (inventory::PrinterTraces::Read), one
#             Module1::DeletionRefusal per trace key, then one Module1::DeleteRegValue per value
#             to delete: four per stale device (PrinterPorts, DevModes2, DevModePerUser, then
#             Devices), two per printer of which only traces are left (DevModes2,
#             DevModePerUser), from its start to its exit; the same values must be left;
#   preview   with no WMI printer, so that all 32767 devices are stale, and none of the other
#             names (with 32767 stale devices the list has no room for them: a run would leave
#             them for the next): "/l" with its standard output written to a file, against "/s"
#             on the same key;
#   window    the product started interactively, until its window shows lstRegedit with
#             32767 entries and lstWMI with 16384;
#   confirm   the same with no WMI printer, so that all 32767 names are stale: from pressing
#             "Lancer nettoyage" to the confirmation on the screen, and how many names it lists;
# and, to say where the time goes, the window start-up with: both sources empty (start-up
# alone), the printers only, the printers only with the double's log turned off (its path
# taken by a folder), the registry only, and 32767 entries in both lists. The window cases are
# seeded with the devices only, as before: start-up reads the Devices key alone, and with every
# device stale the confirmation has no room for the other names.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/windows}
runs=${2:-5}
bin=$(cd "$build/bin" && pwd)
for program in NettoyageImprimantes.exe WmiDouble.dll BenchSeedDevices.exe BenchCleanupFloor.exe BenchDriver.exe; do
  [ -f "$bin/$program" ] || { echo "missing $bin/$program: build the Windows tree first" >&2; exit 1; }
done
baseline=
if [ -n "${BASELINE_EXE:-}" ]; then baseline=$(realpath "$BASELINE_EXE"); fi

readonly registry_count=32767
readonly printer_count=16384
readonly live_count=$(((registry_count + 1) / 2))
readonly stale_count=$((registry_count - live_count))
# BenchSeedDevices seeds as many printers of which only traces are left as stale devices.
readonly orphan_count=$stale_count
# What "/s" deletes in the main case: four values per stale device, two per other name.
readonly silent_deleted=$((4 * stale_count + 2 * orphan_count))

root=$(mktemp -d /tmp/bench-wine.XXXXXX)
cleanup() {
  bash scripts/wine-prefix.sh destroy "$root" >/dev/null 2>&1 || true
  rm -rf "$root"
}
trap cleanup EXIT
bash scripts/wine-prefix.sh create "$root" "$bin/WmiDouble.dll" >/dev/null
prefix=$root/96
work=$root/work
mkdir -p "$work"

readonly spooler_count=50
{
  printf 'Windows Registry Editor Version 5.00\r\n'
  for i in $(seq "$spooler_count"); do
    key="HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\Printers\\Spouleur $i"
    printf '\r\n[%s]\r\n"Name"="Spouleur %d"\r\n"Port"="FILE:"\r\n"Printer Driver"="Generic / Text Only"\r\n' "$key" "$i"
  done
} | iconv -f UTF-8 -t UTF-16 >"$work/spooler.reg"
config_unix=$work/double.txt
export PRINTER_CLEANUP_WMI_DOUBLE="Z:${config_unix//\//\\}"

in_wine() { bash scripts/wine-run.sh "$prefix" "$@"; }
in_wine regedit /s "Z:${work//\//\\}\\spooler.reg" >/dev/null

# Runs a benchmark program; on failure shows what it printed and stops.
run_program() {
  local output
  if ! output=$(in_wine "$@" 2>&1); then
    echo "failed: $*" >&2
    echo "$output" >&2
    exit 1
  fi
  echo "$output"
}

# seed REGISTRY_COUNT PRINTER_COUNT [no-orphans]: with "no-orphans", the devices alone.
seed() {
  rm -rf "$work/wmi-double.log"
  run_program "$bin/BenchSeedDevices.exe" seed "$1" "$2" "$PRINTER_CLEANUP_WMI_DOUBLE" ${3:+"$3"} >/dev/null
}

# The values under PrinterPorts, DevModes2, DevModePerUser and Devices, in that order.
device_count() { run_program "$bin/BenchSeedDevices.exe" count | tr -d '\r'; }

# The value of KEY=... in the driver's output.
field() { grep "^$1=" <<<"$2" | head -n 1 | cut -d= -f2 | tr -d '\r'; }

# expect_devices "PRINTERPORTS DEVMODES2 DEVMODEPERUSER DEVICES" WHAT: the values each key must
# hold, in that order; a single number for all four.
expect_devices() {
  local left expected=$1
  [[ $expected == *" "* ]] || expected="$1 $1 $1 $1"
  left=$(device_count)
  [ "$left" = "$expected " ] || {
    echo "$2: $left values left under PrinterPorts, DevModes2, DevModePerUser and Devices, expected $expected" >&2
    exit 1
  }
}

# The values under the four keys, added up.
value_total() { device_count | tr ' ' '\n' | awk '{ total += $1 } END { print total }'; }
readonly seeded_total=$((4 * registry_count + 2 * orphan_count))

declare -A samples
record() { samples[$1]+="$2 "; }

window_case() {
  local name=$1 regedit=$2 wmi=$3 mode=${4:-window} output
  output=$(run_program "$bin/BenchDriver.exe" "$mode" "$bin/NettoyageImprimantes.exe" "$regedit" "$wmi")
  record "$name" "$(field filled_ms "$output")"
  record "$name.shown" "$(field shown_ms "$output")"
  record "$name.response" "$(field max_response_ms "$output")"
  record "$name.scroll" "$(field scroll_ms "$output")"
  if [ "$mode" = confirm ]; then
    record "$name.confirm" "$(field confirm_ms "$output")"
    record "$name.names" "$(field confirm_names "$output")"
  fi
}

for run in $(seq "$runs"); do
  echo "run $run of $runs" >&2

  seed $registry_count $printer_count
  expect_devices "$registry_count $((registry_count + orphan_count)) $((registry_count + orphan_count)) $registry_count" "seeding"
  output=$(run_program "$bin/BenchDriver.exe" run "$bin/NettoyageImprimantes.exe" /s)
  [ "$(field exit_code "$output")" = 0 ] || { echo "the silent run failed: $output" >&2; exit 1; }
  expect_devices $live_count "silent run"
  silent_ms=$(field elapsed_ms "$output")
  record silent "$silent_ms"
  record silent.per_value "$(awk -v s="$silent_ms" -v n="$silent_deleted" 'BEGIN { printf "%.0f", s * 1000 / n }')"

  if [ -n "$baseline" ]; then
    seed $registry_count $printer_count
    output=$(run_program "$bin/BenchDriver.exe" run "$baseline" /s)
    [ "$(field exit_code "$output")" = 0 ] || { echo "the baseline's silent run failed: $output" >&2; exit 1; }
    record baseline "$(field elapsed_ms "$output")"
    record baseline.deleted "$((seeded_total - $(value_total)))"
    record baseline.per_value "$(awk -v s="$(field elapsed_ms "$output")" -v n="$((seeded_total - $(value_total)))" \
      'BEGIN { printf "%.0f", s * 1000 / n }')"
  fi

  seed $registry_count $printer_count
  output=$(run_program "$bin/BenchDriver.exe" run "$bin/BenchCleanupFloor.exe" $registry_count $printer_count)
  expect_devices $live_count "floor"
  record floor "$(field elapsed_ms "$output")"
  # This machine's Wine registry slows down and speeds up from one minute to the next: the
  # ratio is taken within each run, "/s" and the floor on the same key minutes apart.
  record ratio "$(awk -v s="$silent_ms" -v f="$(field elapsed_ms "$output")" 'BEGIN { printf "%.2f", s / f }')"
  floor_line=$(grep '^enumerated' <<<"$output" | tr -d '\r' || true)
  [[ $floor_line == *", $silent_deleted values:"* ]] || { echo "the floor did not delete $silent_deleted values: $floor_line" >&2; exit 1; }
  record floor.enumeration "$(sed -E 's/.*enumeration ([0-9]+) ms.*/\1/' <<<"$floor_line")"
  record floor.reading "$(sed -E 's/.*trace reading ([0-9]+) ms.*/\1/' <<<"$floor_line")"
  record floor.deletions "$(sed -E 's/.*deletions ([0-9]+) ms.*/\1/' <<<"$floor_line")"

  seed $registry_count 0 no-orphans
  output=$(run_program "$bin/BenchDriver.exe" run-to "Z:${work//\//\\}\\listing.txt" "$bin/NettoyageImprimantes.exe" /l)
  [ "$(field exit_code "$output")" = 3 ] || { echo "the preview failed: $output" >&2; exit 1; }
  [ "$(grep -c . "$work/listing.txt")" = $registry_count ] || { echo "the preview did not list every name" >&2; exit 1; }
  expect_devices $registry_count "preview"
  record preview "$(field elapsed_ms "$output")"
  output=$(run_program "$bin/BenchDriver.exe" run "$bin/NettoyageImprimantes.exe" /s)
  [ "$(field exit_code "$output")" = 0 ] || { echo "the silent run failed: $output" >&2; exit 1; }
  expect_devices 0 "silent run, every name stale"
  record silent.all "$(field elapsed_ms "$output")"

  seed $registry_count $printer_count no-orphans
  window_case window $registry_count $printer_count
  expect_devices $registry_count "interactive start-up"

  seed $registry_count 0 no-orphans
  window_case all.stale $registry_count 0 confirm
  expect_devices $registry_count "confirmation answered No"

  seed 0 0
  window_case startup.empty 0 0
  seed 0 $printer_count
  window_case startup.printers 0 $printer_count
  seed 0 $printer_count
  mkdir "$work/wmi-double.log"
  window_case startup.printers.nolog 0 $printer_count
  seed $registry_count 0 no-orphans
  window_case startup.registry $registry_count 0
  seed $registry_count $registry_count no-orphans
  window_case startup.full $registry_count $registry_count
done

median() { tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

report() { printf '%-58s %8s %-5s (runs: %s)\n' "$1" "$(median "${samples[$2]}")" "${3:-ms}" "${samples[$2]% }"; }

echo
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(wine --version 2>/dev/null)"
echo "Devices key: $registry_count values; WMI double: $printer_count printers; spooler: $spooler_count printers; stale devices: $stale_count; printers of which only traces are left: $orphan_count; medians of $runs runs"
echo
report '"/s" run, start to exit' silent
report 'floor (enumeration, trace keys, deletions), start to exit' floor
report '  of which one enumeration (Module1::EnumRegValues)' floor.enumeration
report '  of which the four trace keys read, what to delete found' floor.reading
report "  of which $silent_deleted deletions (Module1::DeleteRegValue)" floor.deletions
if [ -n "$baseline" ]; then
  report "\"/s\" run of $baseline, start to exit" baseline
  report '  values it deleted' baseline.deleted values
fi
report "\"/l\" run, $registry_count stale names listed to a file" preview
report "\"/s\" run on the same key, $registry_count stale names deleted" silent.all
report 'interactive start-up: both lists filled' window
report '  window first visible' window.shown
report '  slowest message round trip in the second after' window.response
report '  scrolling lstRegedit to its end and repainting' window.scroll
report "\"Lancer nettoyage\" to the confirmation, $registry_count stale names" all.stale.confirm
report '  names the confirmation lists (the rest are counted)' all.stale.names names
echo
echo "Where the start-up time goes (window filled, one source at a time):"
report '  start-up alone (empty key, no printer)' startup.empty
report "  $printer_count printers from the WMI double, empty key" startup.printers
report "  the same with the double's log turned off" startup.printers.nolog
report "  $registry_count registry names, no printer" startup.registry
report "  $registry_count names in both lists" startup.full
report '    slowest message round trip in the second after' startup.full.response
report '    scrolling lstRegedit to its end and repainting' startup.full.scroll
echo
silent=$(median "${samples[silent]}")
floor=$(median "${samples[floor]}")
awk -v s="$silent" -v f="$floor" 'BEGIN { printf "ratio of the medians \"/s\" / floor: %.2f\n", s / f }'
report 'ratio "/s" / floor within each run (goal: at most 1.25)' ratio ratio
report '"/s" per value deleted, within each run' silent.per_value us
if [ -n "$baseline" ]; then report '  the baseline'"'"'s per value it deleted, within each run' baseline.per_value us; fi
awk -v s="$silent" -v n="$silent_deleted" \
  'BEGIN { printf "\"/s\" per value deleted (%d: four per stale device, two per other name): %.0f us\n", n, s * 1000 / n }'
if [ -n "$baseline" ]; then
  awk -v s="$(median "${samples[baseline]}")" -v n="$(median "${samples[baseline.deleted]}")" \
    'BEGIN { printf "baseline \"/s\" per value it deleted (%d, same runs, same key): %.0f us\n", n, s * 1000 / n }'
fi
preview=$(median "${samples[preview]}")
silent_all=$(median "${samples[silent.all]}")
awk -v p="$preview" -v s="$silent_all" 'BEGIN { printf "ratio \"/l\" / \"/s\", %d stale names: %.2f (goal: at most 1)\n", '"$registry_count"', p / s }'
