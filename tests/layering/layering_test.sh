#!/usr/bin/env bash
# layering_test.sh SOURCE_DIR: fails when a folder includes one it may not use, as the table
# "Who may use whom" in ARCHITECTURE.md says: a library may include itself, what it links and
# what those link in turn, and none of the headers its "never" column names (GL, SDL). Folders
# outside the table (tests, benchmarks, fuzz targets) may include anything.
set -euo pipefail
root=$1

rows=$(sed -n '/^## Who may use whom/,/^## [^W]/p' "$root/ARCHITECTURE.md" | grep '^| `' || true)
if [ -z "$rows" ]; then
  echo "ARCHITECTURE.md: no table under 'Who may use whom'"
  exit 1
fi

declare -A links never
names=()
while IFS='|' read -r _ library linked forbidden _; do
  name=$(sed -n 's/^ *`\([a-z_]*\)`.*/\1/p' <<<"$library")
  names+=("$name")
  links[$name]=$linked
  never[$name]=$forbidden
done <<<"$rows"

# The libraries `name` links directly: the table's names in its "links" cell, or all but one
# for "any library except X".
direct() {
  local cell=${links[$1]} other
  if [[ $cell =~ any\ library\ except\ ([a-z_]+) ]]; then
    for other in "${names[@]}"; do
      [ "$other" != "$1" ] && [ "$other" != "${BASH_REMATCH[1]}" ] && echo "$other"
    done
    return 0
  fi
  for other in "${names[@]}"; do
    if [[ " $(tr ',' ' ' <<<"$cell") " == *" $other "* ]]; then echo "$other"; fi
  done
  return 0
}

# `name` and everything it links, directly or through others.
reach() {
  local -A seen=([$1]=1)
  local queue=("$1") next
  while ((${#queue[@]})); do
    for next in $(direct "${queue[0]}"); do
      if [ -z "${seen[$next]:-}" ]; then seen[$next]=1; queue+=("$next"); fi
    done
    queue=("${queue[@]:1}")
  done
  echo "${!seen[@]}"
}

faults=0
for name in "${names[@]}"; do
  [ -d "$root/$name" ] || continue
  allowed=" $(reach "$name") "
  while IFS=: read -r file line text; do
    where="${file#"$root"/}:$line"
    if [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^/\"]+)/ ]]; then
      folder=${BASH_REMATCH[1]}
      if [ -d "$root/$folder" ] && [[ $allowed != *" $folder "* ]]; then
        echo "$where: $name may not include $folder/ (ARCHITECTURE.md: $name links${links[$name]})"
        faults=$((faults + 1))
      fi
    elif [[ $text =~ \<(GL/|GLES|EGL/|SDL) ]]; then
      system=GL; [ "${BASH_REMATCH[1]}" = SDL ] && system=SDL
      if [[ ${never[$name]} == *"$system"* ]]; then
        echo "$where: $name never uses $system"
        faults=$((faults + 1))
      fi
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include' --include='*.cpp' --include='*.h' "$root/$name" || true)
done

if ((faults)); then
  echo "$faults include(s) against the layering"
  exit 1
fi
echo "layering holds for: ${names[*]}"
