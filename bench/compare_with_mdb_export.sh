#!/usr/bin/env bash
# Whole-program comparison of `qbmerge-cli dump FILE TABLE` with `mdb-export FILE TABLE` (mdbtools)
# on the largest shared Access files: time per table (best of REPEAT runs of all tables), rows per
# second, the ratio, and peak memory of dumping all tables against the file's size.
#   bench/compare_with_mdb_export.sh [CLI] [REPEAT]
# CLI defaults to build/cli/qbmerge-cli; REPEAT to 20. Shared files come from $QBM_SHARED_DIR or
# ../shared.
set -euo pipefail
cd "$(dirname "$0")/.."
cli="${1:-build/cli/qbmerge-cli}"
repeat="${2:-20}"
shared="${QBM_SHARED_DIR:-../shared}"
files=(fixtures/qbaudio.mdb fixtures/xqbaudio.mdb fixtures/spkrbase.mdb interop/testIndexCodesV1997.mdb
       interop/test2V2000.mdb interop/testV2000.mdb)

now() { date +%s%N; }

# Best wall time in nanoseconds of running "$@" for every table of the file, over $repeat rounds.
best_time() {
  local file="$1"; shift
  local best=""
  for ((r = 0; r < repeat; r++)); do
    local start end
    start=$(now)
    while IFS= read -r table; do "$@" "$file" "$table" >/dev/null; done < "$tables_list"
    end=$(now)
    local t=$((end - start))
    if [[ -z "$best" || $t -lt $best ]]; then best=$t; fi
  done
  echo "$best"
}

peak_kib() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }

tables_list="$(mktemp)"
trap 'rm -f "$tables_list"' EXIT
base_ours=$(peak_kib "$cli" 2>/dev/null || true)
base_theirs=$(peak_kib mdb-export --version)

printf '| file | size KiB | rows | qbmerge-cli ms | mdb-export ms | ratio | qbmerge-cli rows/s | mdb-export rows/s | peak KiB (net) | net / size |\n'
printf '|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n'
for f in "${files[@]}"; do
  path="$shared/$f"
  [ -f "$path" ] || { echo "missing $path" >&2; continue; }
  mdb-tables -1 "$path" | sed '/^$/d' > "$tables_list"
  rows=0
  while IFS= read -r table; do
    n=$(mdb-count "$path" "$table")
    rows=$((rows + n))
  done < "$tables_list"
  ours=$(best_time "$path" "$cli" dump)
  theirs=$(best_time "$path" mdb-export)
  size_kib=$(( $(stat -c %s "$path") / 1024 ))
  peak=$(peak_kib "$cli" dump "$path")
  net=$((peak - base_ours))
  awk -v f="$f" -v s="$size_kib" -v r="$rows" -v o="$ours" -v t="$theirs" -v p="$peak" -v n="$net" 'BEGIN {
    printf "| %s | %d | %d | %.2f | %.2f | %.1fx | %.0f | %.0f | %d (%d) | %.2f |\n", f, s, r, o / 1e6, t / 1e6, t / o,
      r / (o / 1e9), r / (t / 1e9), p, n, n / s }'
done
echo
echo "Baseline peak memory: qbmerge-cli without work ${base_ours} KiB, mdb-export --version ${base_theirs} KiB."
