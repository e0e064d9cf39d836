#!/usr/bin/env bash
# Start-up of the whole program, offscreen, until its settings dialog is shown, loaded and painted
# once (the program leaves its event loop after the first turn when BO_QUIT_AFTER_SHOW is set),
# beside a bare Qt dialog with the same widgets that leaves the same way. Builds nothing.
#
#   bench/startup/run.sh BUILD_FOLDER [RUNS]
set -euo pipefail
build=$(readlink -f "${1:?usage: $0 BUILD_FOLDER [RUNS]}")
runs=${2:-30}
program=$build/app/bruker-oppsett
census=$build/bench/startup/startup_widget_census
bare=$build/bench/startup/startup_bare_dialog
for f in "$program" "$census" "$bare"; do
  [[ -x $f ]] || { echo "missing $f: build bruker-oppsett, startup_widget_census and startup_bare_dialog" >&2; exit 2; }
done

world=$(mktemp -d /tmp/bo-bench-startup-XXXXXX)
trap 'rm -rf "$world"' EXIT
mkdir -p "$world/home" "$world/appdata" "$world/work" "$world/temp" "$world/runtime"
chmod 700 "$world/runtime"
export HOME=$world/home APPDATA=$world/appdata TEMP=$world/temp XDG_RUNTIME_DIR=$world/runtime
export QT_QPA_PLATFORM=offscreen
# A settings file with every key set and the five side files, as at a real company.
{
  echo '[STANDARD]'
  for i in 1 2 3 4 5 6 7 8; do echo "Avdeling$i=Avdeling $i"; echo "Arbeid_Timekonto$i=50${i}0"; done
  echo 'Firma_Navn=Fjordtre Snekkeri AS'; echo 'Arbeid_ArbeidstidStart=07:30'; echo 'Skriver_Index=0'
} | sed 's/$/\r/' > "$world/work/veltrona.ini"
for f in FIRMA.TXV FIRMA.TXP FIRMA.TXB bruker-oppsett.txt bruker-oppsett.txl; do
  for i in $(seq 1 50); do printf 'Standardtekst nummer %d\r\n' "$i"; done > "$world/work/$f"
done
cd "$world/work"
"$census" > "$world/census.txt"
widgets=$(awk '{n += $2} END {print n}' "$world/census.txt")

# Wall time in microseconds of one start of a command.
once() {
  local t0 t1
  t0=$(date +%s%N)
  "$@" >/dev/null 2>&1
  t1=$(date +%s%N)
  echo $(( (t1 - t0) / 1000 ))
}
median() { sort -n | awk '{a[NR]=$1} END {m = (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2; printf "%.1f", m / 1000}'; }

# Warm-up (file cache; the program's first start creates its folder tree), then the three
# interleaved, so a change in the machine's load touches all of them alike.
BO_QUIT_AFTER_SHOW=1 "$program" >/dev/null 2>&1
"$bare" "$world/census.txt" --printers >/dev/null 2>&1
: > "$world/program.t"; : > "$world/bare.t"; : > "$world/bare-printers.t"
for _ in $(seq 1 "$runs"); do
  BO_QUIT_AFTER_SHOW=1 once "$program" >> "$world/program.t"
  once "$bare" "$world/census.txt" >> "$world/bare.t"
  once "$bare" "$world/census.txt" --printers >> "$world/bare-printers.t"
done
program_ms=$(median < "$world/program.t")
bare_ms=$(median < "$world/bare.t")
printers_ms=$(median < "$world/bare-printers.t")
ratio=$(awk -v p="$program_ms" -v b="$bare_ms" 'BEGIN {printf "%.2f", p / b}')
ratio_printers=$(awk -v p="$program_ms" -v b="$printers_ms" 'BEGIN {printf "%.2f", p / b}')
# Peak memory (maximum resident set, KB) of each, the median of a few starts.
peak() { for _ in 1 2 3 4 5; do /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1; done | sort -n | sed -n 3p; }
program_kb=$(BO_QUIT_AFTER_SHOW=1 peak "$program")
bare_kb=$(peak "$bare" "$world/census.txt")
memory_ratio=$(awk -v p="$program_kb" -v b="$bare_kb" 'BEGIN {printf "%.2f", p / b}')

echo "widgets created by the dialog: $widgets"
echo "bruker-oppsett to the dialog shown and loaded:   median ${program_ms} ms over $runs runs"
echo "bare Qt dialog with the same widgets:            median ${bare_ms} ms (ratio $ratio, goal at most 1.3)"
echo "the same bare dialog, asking for the printers:   median ${printers_ms} ms (ratio $ratio_printers, goal at most 1.15)"
echo "peak memory: bruker-oppsett ${program_kb} KB, bare dialog ${bare_kb} KB (ratio $memory_ratio, goal at most 1.3)"
