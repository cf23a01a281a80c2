#!/usr/bin/env bash
# The merge of the 20,000-driver samples in the Windows window (qbmerge.exe's window) against the
# Windows command line (qbmerge-cli.exe) on the same files, under Wine on a virtual display, and
# qbmerge.exe's size and start-up time.
#   bench/windows_window_merge.sh [ROUNDS] [DRIVERS]     (5 rounds, 20000 drivers)
# Needs the cross build (scripts/test-windows). Each round merges the previous-format sample (all
# drivers listed, the question answered Yes) into a fresh copy of the new sample, once each way,
# the order alternating:
#   cli:     wine qbmerge-cli.exe merge NEW OLD --all --overwrite yes            (the whole command)
#   window:  wine win32_merge_bench.exe window NEW OLD: the real window opens both files, then
#            "Merge >" is clicked and the question answered (the whole command, and the click alone)
#   session: wine win32_merge_bench.exe session NEW OLD: the same merge through the session with
#            nothing shown (the click alone compares with the window's)
# Prints every round and the medians, wall clock.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5}
drivers=${2:-20000}
build=$PWD/build-windows
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" "$0" "$@"
fi
cmake --build "$build" --target qbmerge qbmerge-cli win32_merge_bench >/dev/null

export WINEPREFIX=$build/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
wineserver -p </dev/null >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null || true' EXIT
wine cmd /c exit >/dev/null 2>&1 || true
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true

cli=$build/cli/qbmerge-cli.exe
bench=$build/bench/win32/win32_merge_bench.exe
program=$build/app/win32/qbmerge.exe
work=${QBM_BENCH_CACHE:-${TMPDIR:-/tmp}}/qbm-windows-bench-$drivers
mkdir -p "$work"
if [ ! -f "$work/samples/qbaudio.mdb" ]; then
  wine "$cli" samples "Z:$work/samples" --drivers "$drivers" --seed 1 >/dev/null
fi
fresh() { rm -rf "$work/run"; mkdir -p "$work/run"; cp "$work/samples/qbaudio.mdb" "$work/samples/xqbaudio.mdb" "$work/run/"; }
new="Z:$work/run/qbaudio.mdb" old="Z:$work/run/xqbaudio.mdb"
ms() { date +%s%N | cut -c1-13; }

declare -a cli_ms window_ms window_click session_click
run_cli() {
  fresh
  local t0; t0=$(ms)
  wine "$cli" merge "$new" "$old" --all --overwrite yes </dev/null >/dev/null
  cli_ms+=($(($(ms) - t0)))
}
run_window() {
  fresh
  local t0 line; t0=$(ms)
  line=$(wine "$bench" window "$new" "$old" | tr -d '\r')
  window_ms+=($(($(ms) - t0)))
  window_click+=("$(sed -n 's/.* merge=\([0-9]*\).*/\1/p' <<<"$line")")
  echo "  window: $line"
}
run_session() {
  fresh
  local line; line=$(wine "$bench" session "$new" "$old" | tr -d '\r')
  session_click+=("$(sed -n 's/.* merge=\([0-9]*\).*/\1/p' <<<"$line")")
  echo "  session: $line"
}
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : int((a[NR/2] + a[NR/2+1]) / 2)}'; }

echo "Merging the $drivers-driver samples, $rounds rounds (wall clock, ms)"
for ((r = 1; r <= rounds; r++)); do
  if ((r % 2)); then run_cli; run_window; else run_window; run_cli; fi
  run_session
  echo "round $r: cli ${cli_ms[-1]}, window ${window_ms[-1]} (merge click ${window_click[-1]}), session merge ${session_click[-1]}"
done
c=$(median "${cli_ms[@]}") w=$(median "${window_ms[@]}")
wc=$(median "${window_click[@]}") sc=$(median "${session_click[@]}")
echo "median: cli $c, window $w: window ÷ cli = $(awk "BEGIN {printf \"%.2f\", $w / $c}")"
echo "median merge alone: window $wc, session $sc: window ÷ session = $(awk "BEGIN {printf \"%.2f\", $wc / $sc}")"

# qbmerge.exe: its size (as built, and stripped as a package ships it) and its start-up.
stripped=$(mktemp --suffix=.exe)
x86_64-w64-mingw32-strip -o "$stripped" "$program"
echo "qbmerge.exe: $(stat -c %s "$program") bytes as built, $(stat -c %s "$stripped") stripped"
rm -f "$stripped"
declare -a ready
for ((r = 1; r <= rounds; r++)); do
  line=$(wine "$bench" startup "$(winepath -w "$program" 2>/dev/null || echo "Z:$program")" | tr -d '\r')
  ready+=("$(sed -n 's/^ready=\([0-9]*\).*/\1/p' <<<"$line")")
done
echo "start-up until the window takes input (median of $rounds): $(median "${ready[@]}") ms"
t0=$(ms); wine "$cli" --version >/dev/null; echo "for scale, wine qbmerge-cli.exe --version: $(($(ms) - t0)) ms"
