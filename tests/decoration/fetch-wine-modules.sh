#!/usr/bin/env bash
# Puts a few PE modules with many icons from Debian's Wine package (libwine,
# LGPL-2.1+) into DEST, for comparing our icon reader with icoutils. Downloads
# the package once; when that is not possible (no network, no apt), it says so
# and the tests that need the modules skip.
set -u
dest=${1:?usage: fetch-wine-modules.sh DEST}
modules="shell32.dll comdlg32.dll user32.dll comctl32.dll regedit.exe taskmgr.exe notepad.exe"
[ -e "$dest/.complete" ] && exit 0
mkdir -p "$dest" || exit 0
work=$(mktemp -d) || exit 0
trap 'rm -rf "$work"' EXIT
if ! (cd "$work" && apt-get download -qq libwine >/dev/null 2>&1); then
  echo "fetch-wine-modules: cannot download libwine; the Wine module tests will skip"
  exit 0
fi
patterns=()
for m in $modules; do patterns+=("*/x86_64-windows/$m"); done
if ! dpkg-deb --fsys-tarfile "$work"/libwine_*.deb | tar -x -C "$work" --wildcards "${patterns[@]}"; then
  echo "fetch-wine-modules: cannot unpack libwine; the Wine module tests will skip"
  exit 0
fi
find "$work" -path '*x86_64-windows/*' -type f -exec cp {} "$dest" \;
cp /usr/share/common-licenses/LGPL-2.1 "$dest/LICENSE" 2>/dev/null
touch "$dest/.complete"
