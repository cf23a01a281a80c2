#!/usr/bin/env bash
# bench/compare_merges.sh BASELINE_CLI CANDIDATE_CLI [SIZE...]
#
# Whether two builds of qbmerge-cli merge to the same bytes. For each sample size (default 300 and
# 2000 new drivers) it writes the sample databases once with the baseline, then merges each old
# database (previous format and legacy) into a fresh copy of the new one with each program, in
# every combination of list mode (all drivers, or the changed ones the list chooses), answer to
# the overwrite question (yes, no) and omitted drivers (none, or every fifth entry of the list),
# and compares the two merged files with cmp. Prints one line per pair and a count at the end;
# exit status 1 when any pair differs or either program fails where the other does not.
#
# Environment: SEED (default 3), FORMATS (default "jet4"; "jet4 jet3" for both file formats),
# SAMPLE_OPTIONS (extra options for `samples`, e.g. "--companies 1200" when the baseline has it),
# KEEP=1 keeps the scratch folder.
set -uo pipefail

if [[ $# -lt 2 ]]; then
  sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'
  exit 2
fi
base=$(realpath "$1")
cand=$(realpath "$2")
shift 2
sizes=("$@")
[[ ${#sizes[@]} -eq 0 ]] && sizes=(300 2000)
seed=${SEED:-3}
formats=${FORMATS:-jet4}

work=$(mktemp -d "${TMPDIR:-/tmp}/compare-merges.XXXXXX")
[[ ${KEEP:-0} == 1 ]] || trap 'rm -rf "$work"' EXIT

pairs=0
same=0
differ=0

# merge_with PROGRAM OUT_DIR SAMPLES OLD ARGS... : a fresh copy of the new database merged; the
# exit status and the summary beside it.
merge_with() {
  local program=$1 out=$2 samples=$3 old=$4
  shift 4
  mkdir -p "$out"
  cp "$samples/qbaudio.mdb" "$out/qbaudio.mdb"
  "$program" merge "$out/qbaudio.mdb" "$samples/$old" "$@" >"$out/summary.txt" 2>"$out/messages.txt" </dev/null
  echo $? >"$out/status"
}

for format in $formats; do
  for size in "${sizes[@]}"; do
    samples="$work/samples-$format-$size"
    # shellcheck disable=SC2086
    if ! "$base" samples "$samples" --drivers "$size" --seed "$seed" --format "$format" ${SAMPLE_OPTIONS:-} >/dev/null; then
      echo "samples of $size drivers ($format) could not be written" >&2
      exit 1
    fi
    for old in xqbaudio.mdb spkrbase.mdb; do
      for mode in all chosen; do
        modeArgs=()
        [[ $mode == all ]] && modeArgs=(--all)
        # Every fifth entry of the list the merge would take, omitted.
        omits=()
        while IFS=$'\t' read -r id text; do
          [[ $text =~ \((ob|sb)\)$ ]] && omits+=(--omit "${id}${BASH_REMATCH[1]}")
        done < <("$base" list "$samples/qbaudio.mdb" "$samples/$old" "${modeArgs[@]}" | awk 'NR % 5 == 2' | grep $'\t')
        for answer in yes no; do
          for omit in none some; do
            args=("${modeArgs[@]}" --overwrite "$answer")
            [[ $omit == some ]] && args+=("${omits[@]}")
            name="$format-$size-${old%.mdb}-$mode-$answer-omit-$omit"
            merge_with "$base" "$work/$name/base" "$samples" "$old" "${args[@]}"
            merge_with "$cand" "$work/$name/cand" "$samples" "$old" "${args[@]}"
            pairs=$((pairs + 1))
            bs=$(cat "$work/$name/base/status")
            cs=$(cat "$work/$name/cand/status")
            if [[ $bs != "$cs" ]]; then
              echo "DIFFER  $name: exit status $bs against $cs"
              differ=$((differ + 1))
            elif cmp -s "$work/$name/base/qbaudio.mdb" "$work/$name/cand/qbaudio.mdb"; then
              echo "same    $name (exit $bs, $(grep -o 'Woofers: [0-9]* added' "$work/$name/base/summary.txt" || true))"
              same=$((same + 1))
            else
              echo "DIFFER  $name: $(cmp "$work/$name/base/qbaudio.mdb" "$work/$name/cand/qbaudio.mdb" | head -1)"
              differ=$((differ + 1))
            fi
          done
        done
      done
    done
  done
done

echo "$pairs pairs of merged files: $same identical, $differ different"
[[ $differ -eq 0 ]]
