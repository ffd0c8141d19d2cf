#!/usr/bin/env bash
# Keeps the house plan: every #include of a project header points to the
# file's own folder or to a floor below it, and no core folder (one without
# widgets) includes a Qt Widgets header.
#
#   layers_test.sh SOURCE_DIR QT_WIDGETS_INCLUDE_DIR
set -uo pipefail
root=$1
src=$root/src
tools=$root/tools
widgets=$2

# Floors from the ground up; folders on one floor know nothing of each other.
declare -A floor=(
  [base]=0 [richtext]=1 [richtext/ui]=2 [controls]=3 [diary]=4
  [finding]=5 [decoration]=5 [finding/ui]=6 [decoration/ui]=6 [app]=7 [tools]=8
)
cores=(base richtext diary finding decoration)

layer_of() {  # the layer an include path or a file's folder names
  case $1 in
    */ui/*|*/ui) echo "${1%%/*}/ui" ;;
    *) echo "${1%%/*}" ;;
  esac
}

faults=0
check_file() {  # file, its layer
  local file=$1 layer=$2 line target
  while IFS= read -r line; do
    target=${line#*<}; target=${target%%>*}
    local to; to=$(layer_of "$target")
    [ -n "${floor[$to]+x}" ] || continue
    if [ "$to" != "$layer" ] && [ "${floor[$to]}" -ge "${floor[$layer]}" ]; then
      echo "${file#"$root/"}: $layer includes <$target>, which is not below it"
      faults=$((faults + 1))
    fi
  done < <(grep -E '^#include <[a-z_]+/' "$file")
}

for layer in "${!floor[@]}"; do
  [ "$layer" = tools ] && dir=$tools || dir=$src/$layer
  [ -d "$dir" ] || { echo "missing folder for layer $layer: $dir"; faults=$((faults + 1)); continue; }
  if [ "$layer" = tools ]; then files=$(find "$dir" -name '*.h' -o -name '*.cpp'); 
  else files=$(find "$dir" -maxdepth 1 -name '*.h' -o -maxdepth 1 -name '*.cpp'); fi
  for f in $files; do check_file "$f" "$layer"; done
done

# Folders that are not on the plan would escape the check.
for d in "$src"/*/ "$src"/*/ui/; do
  d=${d%/}; rel=${d#"$src"/}
  [ -n "${floor[$rel]+x}" ] || { echo "src/$rel is not on the plan of floors"; faults=$((faults + 1)); }
done

for core in "${cores[@]}"; do
  while IFS=: read -r file _ line; do
    header=${line#*<}; header=${header%%>*}
    if [ -e "$widgets/$header" ]; then
      echo "${file#"$root/"}: the core folder $core includes the widget header <$header>"
      faults=$((faults + 1))
    fi
  done < <(grep -HnE '^#include <Q[A-Za-z]+>' "$src/$core"/*.h "$src/$core"/*.cpp 2>/dev/null)
done

if [ "$faults" -gt 0 ]; then
  echo "$faults include(s) break the house plan (see docs/architecture.md)"
  exit 1
fi
echo "every include points down the house plan"
