#!/usr/bin/env bash
# Writes a large RTF document made by another program: pandoc's RTF of the
# fortune files (Debian's fortunes package), repeated until the RTF holds at
# least the given number of bytes (default 10 MB).
#
#   make-big-rtf.sh OUT [BYTES]
set -euo pipefail
out=$1
want=${2:-10000000}
dir=/usr/share/games/fortunes
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# One paragraph per fortune: the % lines that separate them become blank lines.
for f in "$dir"/*; do
  case "$f" in *.dat|*.u8) continue ;; esac
  [ -f "$f" ] || continue
  sed 's/^%$//' "$f"
  echo
done > "$tmp/one.md"
pandoc -f commonmark -t rtf -s -o "$tmp/one.rtf" "$tmp/one.md"
size=$(stat -c %s "$tmp/one.rtf")
copies=$(( (want + size - 1) / size ))
: > "$tmp/all.md"
for _ in $(seq "$copies"); do cat "$tmp/one.md" >> "$tmp/all.md"; done
pandoc -f commonmark -t rtf -s -o "$out" "$tmp/all.md"
