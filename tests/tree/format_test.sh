#!/usr/bin/env bash
# The C++ of the product, tests, fuzz targets and benchmarks follows .clang-format.
# usage: format_test.sh SOURCE_DIR
set -u
cd "$1" || exit 1
files=$(find support archive body image render demo exchange app tool testkit tests fuzz bench \
          -name '*.cpp' -o -name '*.h' 2>/dev/null | sort)
[ -n "$files" ] || { echo "no C++ files found"; exit 1; }
# shellcheck disable=SC2086  # one file name a word: the tree's names hold no spaces
clang-format --dry-run -Werror $files || { echo "run: clang-format -i on the files above"; exit 1; }
echo "$(printf '%s\n' "$files" | wc -l) files follow .clang-format"
