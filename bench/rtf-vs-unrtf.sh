#!/usr/bin/env bash
# Whole-process race of rtfconv against unrtf on a 10 MB RTF written by
# pandoc, and rtfconv's peak memory against its budget: 8 bytes per
# character of text plus the size of the file.
#
#   rtf-vs-unrtf.sh BUILD_DIR
set -euo pipefail
build=${1:-build}
big=$build/bench/big.rtf
mkdir -p "$build/bench"
[ -s "$big" ] || bench/make-big-rtf.sh "$big"
bytes=$(stat -c %s "$big")

measure() {  # prints "seconds peak_kb"
  /usr/bin/time -f "%e %M" -o "$build/bench/time.txt" "$@" > "$build/bench/out.txt" 2>/dev/null
  cat "$build/bench/time.txt"
}
read -r ours ours_kb < <(measure "$build/bin/rtfconv" --to text "$big")
chars=$(wc -m < "$build/bench/out.txt")
read -r theirs _ < <(measure unrtf --text "$big")
read -r write _ < <(measure "$build/bin/rtfconv" --to rtf "$big")

budget_kb=$(( (8 * chars + bytes) / 1024 ))
echo "file: $bytes bytes of RTF, $chars characters of text"
echo "rtfconv --to text: $ours s, peak $ours_kb KB (budget $budget_kb KB)"
echo "unrtf --text:      $theirs s"
echo "rtfconv --to rtf:  $write s"
awk -v a="$theirs" -v b="$ours" 'BEGIN { printf "rtfconv is %.0f times as fast as unrtf\n", a / b }'
[ "$ours_kb" -le "$budget_kb" ] || { echo "over the memory budget" >&2; exit 1; }
