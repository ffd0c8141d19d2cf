#!/usr/bin/env bash
# Writes a large RTF document made by another program: pandoc's RTF of the
# GPL-3 text (Debian's /usr/share/common-licenses/GPL-3) repeated 200 times,
# about 7.9 MB.
#
#   make-big-rtf.sh OUT [COPIES]
set -euo pipefail
out=$1
copies=${2:-200}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for _ in $(seq "$copies"); do cat /usr/share/common-licenses/GPL-3; done > "$tmp/all.md"
pandoc -f commonmark -t rtf -s -o "$out" "$tmp/all.md"
