#!/usr/bin/env bash
# The merge of a previous-format old database into a new one, side by side with an independent
# Java library appending the same driver rows (bench/java_peer/AppendDrivers.java: no merge rules,
# pure writes, timed in its own process without the virtual machine's start-up), in one run, the
# two taking turns (their order alternating per round) on fresh copies of the new database.
#
#   bench/java_peer.sh LIBRARY NEW.mdb OLD.mdb [ROUNDS] [QBMERGE_CLI]
#
# LIBRARY: the class path of a build of the Java Access library (a jar or a classes folder) that
# the user made; commons-lang3 and commons-logging are added from /usr/share/java (Debian's
# libcommons-lang3-java, libcommons-logging-java) unless JAVA_PEER_DEPS names others. ROUNDS
# defaults to 3, QBMERGE_CLI to build-rel/cli/qbmerge-cli. Work files go to $TMPDIR (default /tmp).
#
# Per round: our whole command (`qbmerge-cli merge NEW OLD --all --overwrite yes`, start to exit:
# wall and processor seconds, peak resident memory), the peer's in-process time (wall, and the
# processor time of its process over that span) and its whole run's peak memory, and the ratios of
# our whole command to the peer's in-process time, wall to wall and processor to processor (the
# latter moves less when other work shares the machine). Medians at the end. Memory is also given
# against the new file's size before the merge.
set -euo pipefail
if [ $# -lt 3 ]; then
  sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//'
  exit 2
fi
library="$1" new="$2" old="$3" rounds="${4:-3}"
here="$(cd "$(dirname "$0")" && pwd)"
cli="${5:-$here/../build-rel/cli/qbmerge-cli}"
deps="${JAVA_PEER_DEPS:-/usr/share/java/commons-lang3.jar:/usr/share/java/commons-logging.jar}"
[ -x "$cli" ] || { echo "no program at $cli" >&2; exit 2; }

work="$(mktemp -d "${TMPDIR:-/tmp}/java-peer.XXXXXX")"
trap 'rm -rf "$work"' EXIT
javac -nowarn -d "$work/classes" -cp "$library:$deps" "$here/java_peer/AppendDrivers.java"
classpath="$library:$deps:$work/classes"
file_bytes=$(stat -c %s "$new")

# Runs a command under GNU time; prints "wall user+sys maxrss_kib" on fd 3.
timed() {
  local out
  /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$@"
  read -r wall user sys rss < "$work/time"
  echo "$wall $(echo "$user + $sys" | bc) $rss" >&3
}

ours() {
  cp "$new" "$work/ours.mdb"
  timed "$cli" merge "$work/ours.mdb" "$old" --all --overwrite yes > "$work/ours.out" 2> "$work/ours.err" 3> "$work/ours.t"
  rm -f "$work/ours.mdb"
}

peer() {
  cp "$new" "$work/peer.mdb"
  timed java -cp "$classpath" AppendDrivers "$work/peer.mdb" "$old" > "$work/peer.out" 3> "$work/peer.t"
  rm -f "$work/peer.mdb"
}

mib() { echo "scale=1; $1 / 1024" | bc; }
printf 'new file %s MiB; old file %s MiB\n' "$(echo "scale=1; $file_bytes / 1048576" | bc)" \
  "$(echo "scale=1; $(stat -c %s "$old") / 1048576" | bc)"
printf '%-5s | %-24s | %-38s | %-6s | %-9s | %-12s\n' round "ours: wall s, cpu s, MiB" \
  "peer: in-process s, cpu s, wall s, MiB" ratio "cpu ratio" "ours MiB/file"
ratios=() cpu_ratios=() ours_wall=() peer_ms=() ours_rss=()
for ((r = 1; r <= rounds; r++)); do
  if ((r % 2)); then ours; peer; else peer; ours; fi
  read -r ow oc orss < "$work/ours.t"
  read -r pw pc prss < "$work/peer.t"
  pms=$(sed -n 's/.* in \([0-9]*\) ms, cpu .*/\1/p' "$work/peer.out")
  pcpu=$(sed -n 's/.*, cpu \([0-9]*\) ms$/\1/p' "$work/peer.out")
  [ -n "$pms" ] && [ -n "$pcpu" ] || { echo "the peer gave no time:" >&2; cat "$work/peer.out" >&2; exit 1; }
  ratio=$(echo "scale=3; $ow * 1000 / $pms" | bc)
  cpu_ratio=$(echo "scale=3; $oc * 1000 / $pcpu" | bc)
  perfile=$(echo "scale=2; $orss * 1024 / $file_bytes" | bc)
  printf '%-5s | %6s %6s %8s | %8s %8s %8s %10s | %6s | %9s | %s\n' "$r" "$ow" "$oc" "$(mib "$orss")" \
    "$(echo "scale=2; $pms / 1000" | bc)" "$(echo "scale=2; $pcpu / 1000" | bc)" "$pw" "$(mib "$prss")" \
    "$ratio" "$cpu_ratio" "$perfile"
  ratios+=("$ratio") cpu_ratios+=("$cpu_ratio") ours_wall+=("$ow") peer_ms+=("$pms") ours_rss+=("$orss")
done
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
echo "ours: $(head -c 300 "$work/ours.out" | tr '\n' ' ')"
echo "peer: $(cat "$work/peer.out")"
echo "median: ours $(median "${ours_wall[@]}") s, peer in-process $(median "${peer_ms[@]}") ms," \
  "ratio $(median "${ratios[@]}"), cpu ratio $(median "${cpu_ratios[@]}"), ours peak $(mib "$(median "${ours_rss[@]}")") MiB" \
  "($(echo "scale=2; $(median "${ours_rss[@]}") * 1024 / $file_bytes" | bc) of the new file)"
