#!/usr/bin/env bash
# install_test.sh: 'cmake --install BUILD --prefix DIR' puts both programs in DIR/bin and a
# manual page for each in DIR/share/man/man1, which man reads.
# usage: install_test.sh BUILD PREFIX
set -euo pipefail
build=$1
prefix=$2
rm -rf "$prefix"
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" > /dev/null || fail "cmake --install"
[ -x "$prefix/bin/orvane" ] || fail "no bin/orvane"
[ -x "$prefix/bin/orvane-viewer" ] || fail "no bin/orvane-viewer"
[ "$("$prefix/bin/orvane" --version)" = "orvane 0.2.0" ] || fail "orvane --version"
[ "$("$prefix/bin/orvane-viewer" --version)" = "orvane-viewer 0.02" ] || fail "orvane-viewer --version"
for page in orvane orvane-viewer; do
    file="$prefix/share/man/man1/$page.1"
    [ -f "$file" ] || fail "no $file"
    text=$(MANWIDTH=80 man -l "$file" 2>&1) || fail "man -l $file: $text"
    grep -q "^NAME" <<< "$text" || fail "$page: no NAME section"
    grep -q "^ *$page - " <<< "$text" || fail "$page: NAME line"
    grep -q "^EXIT STATUS" <<< "$text" || fail "$page: no EXIT STATUS section"
done
rm -rf "$prefix"
echo ok
