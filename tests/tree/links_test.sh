#!/usr/bin/env bash
# Every relative link and image in the README and the manual names a file that exists, and every
# #anchor names a heading of its page (headings turned into anchors as web hosts do).
# usage: links_test.sh SOURCE_DIR
set -u
cd "$1" || exit 1
anchor_of() {  # a heading's text as its #anchor: lower case, punctuation gone, spaces to '-'
  printf '%s' "$1" | tr '[:upper:]' '[:lower:]' | sed -E 's/[^a-z0-9 _-]//g; s/ /-/g'
}
has_anchor() {  # FILE ANCHOR
  local line
  while IFS= read -r line; do
    [ "$(anchor_of "$(printf '%s' "$line" | sed -E 's/^#+ +//')")" = "$2" ] && return 0
  done < <(grep -E '^#{1,6} ' "$1" | sed 's/`//g')
  return 1
}
bad=0; checked=0
for page in README.md ARCHITECTURE.md CHANGELOG.md docs/*.md; do
  [ -f "$page" ] || continue
  dir=$(dirname "$page")
  # Links outside code blocks only: a fenced block's text is not a link.
  while IFS= read -r target; do
    case "$target" in http://*|https://*|mailto:*) continue ;; esac
    checked=$((checked + 1))
    file=${target%%#*}; anchor=""
    [ "$file" != "$target" ] && anchor=${target#*#}
    if [ -z "$file" ]; then path=$page; else path="$dir/$file"; fi
    if [ ! -e "$path" ]; then
      echo "$page: link to '$target': no such file"; bad=$((bad + 1)); continue
    fi
    if [ -n "$anchor" ] && [ "${path##*.}" = md ] && ! has_anchor "$path" "$anchor"; then
      echo "$page: link to '$target': no heading with that anchor in $path"; bad=$((bad + 1))
    fi
  done < <(awk '/^```/ { fenced = !fenced; next } !fenced' "$page" \
             | grep -oE '\]\([^) ]+\)' | sed -E 's/^\]\(//; s/\)$//')
done
echo "$checked links checked, $bad broken"
[ "$checked" -gt 0 ] && [ "$bad" -eq 0 ]
