#!/usr/bin/env bash
# The programs' own help, the manual in docs/ and the manual pages list the same commands and
# options: every `orvane` command has exactly one section in docs/ ("## orvane NAME") and one in
# man/orvane.1 (".SS NAME"), each naming every option the command's help lists; every option of
# `orvane-viewer --help` is in docs/viewer.md and man/orvane-viewer.1.
# usage: commands_test.sh SOURCE_DIR ORVANE ORVANE_VIEWER
set -u
src=$1; tool=$2; viewer=$3
bad=0
fail() { echo "$*"; bad=$((bad + 1)); }
section() {  # FILE START_PATTERN NEXT_PATTERN: the lines from START up to the next NEXT
  awk -v start="$2" -v next_="$3" '$0 ~ start { on = 1; print; next } on && $0 ~ next_ { on = 0 } on' "$1"
}
roff() { printf '%s' "$1" | sed 's/-/\\-/g'; }  # how an option is spelled in a manual page

help=$("$tool" --help) || { echo "orvane --help failed"; exit 1; }
# A command's name fills the help's first column ("list", "patch create"), its summary the second.
names() { printf '%s\n' "$help" | sed -n '/^commands:/,$p' | grep -E '^  [a-z]' | cut -c3-28 | sed 's/ *$//'; }
commands=$(names)
[ -n "$commands" ] || { echo "no commands found in orvane --help"; exit 1; }
while IFS= read -r c; do
  count=$(cat "$src"/docs/*.md | grep -cE "^## orvane $c\$")
  [ "$count" -eq 1 ] || fail "docs/: $count sections '## orvane $c' (want exactly 1)"
  grep -qE "^\.SS $c\$" "$src/man/orvane.1" || fail "man/orvane.1: no '.SS $c'"
  doc=$(for f in "$src"/docs/*.md; do section "$f" "^## orvane $c\$" '^## '; done)
  man=$(section "$src/man/orvane.1" "^\\.SS $c\$" '^\.(SS|SH) ')
  options=$(printf '%s\n' "$help" | awk -v c="$c" '/^  [a-z]/ { name = substr($0, 3, 26); sub(/ +$/, "", name); on = (name == c); next }
                                                    on && /^      -/ { print $1 }')
  for o in $options; do
    printf '%s' "$doc" | grep -qF -- "$o" || fail "docs/: the section on $c does not mention $o"
    printf '%s' "$man" | grep -qF -- "$(roff "$o")" || fail "man/orvane.1: the section on $c does not mention $o"
  done
done <<< "$commands"
# Sections for commands the program does not have.
while IFS= read -r c; do
  [ -z "$c" ] || printf '%s\n' "$commands" | grep -qxF "$c" || fail "docs/: a section on '$c', which orvane --help does not list"
done < <(cat "$src"/docs/*.md | sed -nE 's/^## orvane ([a-z]+( [a-z]+)?)$/\1/p')
while IFS= read -r c; do
  [ -z "$c" ] || printf '%s\n' "$commands" | grep -qxF "$c" || fail "man/orvane.1: a section on '$c', which orvane --help does not list"
done < <(sed -nE 's/^\.SS ([a-z]+( [a-z]+)?)$/\1/p' "$src/man/orvane.1")

vhelp=$("$viewer" --help) || { echo "orvane-viewer --help failed"; exit 1; }
for o in $(printf '%s\n' "$vhelp" | grep -oE '^  --[a-z-]+'); do
  grep -qF -- "$o" "$src/docs/viewer.md" || fail "docs/viewer.md does not mention $o"
  grep -qF -- "$(roff "$o")" "$src/man/orvane-viewer.1" || fail "man/orvane-viewer.1 does not mention $o"
done
echo "$(printf '%s\n' "$commands" | wc -l) commands checked, $bad faults"
[ "$bad" -eq 0 ]
