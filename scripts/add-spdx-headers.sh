#!/usr/bin/env bash
# Puts the licence's SPDX line at the top of every C++ source and header of
# the program, its tools, tests, benchmarks and fuzzers that lacks one.
# Run from anywhere; changes nothing else.
set -euo pipefail
cd "$(dirname "$0")/.."
line='// SPDX-License-Identifier: GPL-3.0-or-later'
find src tools tests bench fuzz -type f \( -name '*.cpp' -o -name '*.h' \) -print0 |
  while IFS= read -r -d '' f; do
    grep -q 'SPDX-License-Identifier' "$f" && continue
    { printf '%s\n' "$line"; cat "$f"; } > "$f.spdx" && mv "$f.spdx" "$f"
  done
