#!/usr/bin/env bash
# Whole-program comparison of `qbmerge-cli dump FILE TABLE` with `mdb-export FILE TABLE` (mdbtools)
# on the largest shared Access files (or the files named), one run per table as a user would export
# them:
#  - CPU time (task-clock from `perf stat`, mean of REPEAT runs; wall-clock best-of when perf is
#    missing) to export every table of the file, and the ratio;
#  - the same without each program's start-up (the CPU time of a run that does nothing:
#    `qbmerge-cli` printing its usage, `mdb-export --version`), and rows per second from it;
#  - peak resident memory of `qbmerge-cli dump FILE` (all tables), also net of the do-nothing run,
#    against the file's size.
#   bench/compare_with_mdb_export.sh [CLI] [REPEAT] [FILE...]
# CLI defaults to build/cli/qbmerge-cli; REPEAT to 20. Without FILEs, the shared files come from
# $QBM_SHARED_DIR or ../shared (e.g. FILE = sample databases of `qbmerge-cli samples DIR --drivers N`).
set -euo pipefail
cd "$(dirname "$0")/.."
cli="${1:-build/cli/qbmerge-cli}"
repeat="${2:-20}"
shared="${QBM_SHARED_DIR:-../shared}"
shift $(( $# < 2 ? $# : 2 ))
files=(fixtures/qbaudio.mdb fixtures/xqbaudio.mdb fixtures/spkrbase.mdb interop/testIndexCodesV1997.mdb
       interop/test2V2000.mdb interop/testV2000.mdb)

# Nanoseconds one run of "$@" takes (CPU time when perf can count it).
if command -v perf >/dev/null && perf stat -x, -e task-clock true >/dev/null 2>&1; then
  clock="CPU time (perf task-clock, mean of $repeat runs)"
  run_ns() { perf stat -r "$repeat" -x, -e task-clock "$@" 2>&1 >/dev/null | awk -F, '/task-clock/ { printf "%d", $1 * 1e6 }'; }
else
  clock="wall-clock time (best of $repeat runs)"
  run_ns() {
    local best="" s e
    for ((r = 0; r < repeat; r++)); do
      s=$(date +%s%N); "$@" >/dev/null 2>&1 || true; e=$(date +%s%N)
      if [[ -z "$best" || $((e - s)) -lt $best ]]; then best=$((e - s)); fi
    done
    echo "$best"
  }
fi
peak_kib() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }

start_ours=$(run_ns "$cli" || true)
start_theirs=$(run_ns mdb-export --version)
base_ours=$(peak_kib "$cli" || true)

echo "Times are $clock."
echo
printf '| file | KiB | tables | rows | qbmerge-cli ms | mdb-export ms | ratio | less start-up: qbmerge-cli ms | mdb-export ms | ratio | qbmerge-cli rows/s | mdb-export rows/s | peak RSS KiB (net) | net / file size |\n'
printf '|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n'
if [ $# -gt 0 ]; then
  shared=.
  files=()
  for f in "$@"; do files+=("$(realpath "$f")"); done
fi
for f in "${files[@]}"; do
  path="$f"
  [[ "$f" = /* ]] || path="$shared/$f"
  [ -f "$path" ] || { echo "missing $path" >&2; continue; }
  ours=0 theirs=0 rows=0 tables=0
  while IFS= read -r table; do
    [ -n "$table" ] || continue
    tables=$((tables + 1))
    rows=$((rows + $(mdb-count "$path" "$table")))
    ours=$((ours + $(run_ns "$cli" dump "$path" "$table")))
    theirs=$((theirs + $(run_ns mdb-export "$path" "$table")))
  done < <(mdb-tables -1 "$path")
  size_kib=$(( $(stat -c %s "$path") / 1024 ))
  peak=$(peak_kib "$cli" dump "$path")
  awk -v f="$f" -v s="$size_kib" -v k="$tables" -v r="$rows" -v o="$ours" -v t="$theirs" -v p="$peak" \
      -v b="$base_ours" -v so="$start_ours" -v st="$start_theirs" 'BEGIN {
    oc = o - k * so; tc = t - k * st; if (oc < 1000) oc = 1000
    printf "| %s | %d | %d | %d | %.2f | %.2f | %.1fx | %.2f | %.2f | %.1fx | %.0f | %.0f | %d (%d) | %.2f |\n",
      f, s, k, r, o / 1e6, t / 1e6, t / o, oc / 1e6, tc / 1e6, tc / oc, r / (oc / 1e9), r / (tc / 1e9), p, p - b, (p - b) / s }'
done
echo
awk -v so="$start_ours" -v st="$start_theirs" -v b="$base_ours" 'BEGIN {
  printf "Start-up (a run that does nothing): qbmerge-cli %.2f ms, mdb-export %.2f ms; qbmerge-cli peak RSS doing nothing %d KiB.\n",
    so / 1e6, st / 1e6, b }'
