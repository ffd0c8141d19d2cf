#!/usr/bin/env bash
# Whole-process race of rtfconv against unrtf on the 7.9 MB RTF that pandoc
# writes from the GPL-3 text repeated 200 times, and rtfconv's peak memory
# against its budget: 8 bytes per character of text plus the size of the
# file. Times are given as elapsed and as processor time (user + system),
# which a busy machine disturbs less.
#
#   rtf-vs-unrtf.sh BUILD_DIR
set -euo pipefail
build=${1:-build}
big=$build/bench/big.rtf
mkdir -p "$build/bench"
[ -s "$big" ] || bench/make-big-rtf.sh "$big"
bytes=$(stat -c %s "$big")

measure() {  # prints "elapsed_seconds peak_kb cpu_seconds"
  /usr/bin/time -f "%e %M %U %S" -o "$build/bench/time.txt" "$@" > "$build/bench/out.txt" 2>/dev/null
  awk '{ printf "%s %s %.3f\n", $1, $2, $3 + $4 }' "$build/bench/time.txt"
}
read -r ours ours_kb ours_cpu < <(measure "$build/bin/rtfconv" --to text "$big")
chars=$(wc -m < "$build/bench/out.txt")
read -r theirs _ theirs_cpu < <(measure unrtf --text "$big")
read -r write _ write_cpu < <(measure "$build/bin/rtfconv" --to rtf "$big")

budget_kb=$(( (8 * chars + bytes) / 1024 ))
echo "file: $bytes bytes of RTF, $chars characters of text"
echo "rtfconv --to text: $ours s ($ours_cpu s processor), peak $ours_kb KB (budget $budget_kb KB)"
echo "unrtf --text:      $theirs s ($theirs_cpu s processor)"
echo "rtfconv --to rtf:  $write s ($write_cpu s processor)"
awk -v a="$theirs" -v b="$ours" -v c="$theirs_cpu" -v d="$ours_cpu" 'BEGIN {
  printf "rtfconv is %.1f times as fast as unrtf (elapsed), %.1f times (processor time)\n", a / b, c / (d > 0 ? d : 0.001) }'
[ "$ours_kb" -le "$budget_kb" ] || { echo "over the memory budget" >&2; exit 1; }
