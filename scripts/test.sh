#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the unit and end-to-end tests
# (the end-to-end ones start their own virtual X server), the unit and command tests again under
# the sanitizers, then the fuzz smoke runs.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

# The builds are the presets of CMakePresets.json: dev (build/), sanitize, fuzz.
cmake --preset dev
cmake --build --preset dev -j"$(nproc)"
ctest --preset dev

# Every unit and command test once more with AddressSanitizer and UndefinedBehaviorSanitizer
# (the end-to-end, browser and tree checks only in the dev build: they drive the same programs
# through a window, a browser or the sources).
cmake --preset sanitize
cmake --build --preset sanitize -j"$(nproc)" --target sanitized_tests
# Leak checking is off: the GL and SDL libraries' own allocations in the tool the tests run are
# reported as leaks at exit.
for folder in support archive body image render demo app exchange tool; do
  ASAN_OPTIONS=detect_leaks=0 ctest --test-dir "build-sanitize/tests/$folder" --output-on-failure --label-exclude e2e
done

cmake --preset fuzz
cmake --build --preset fuzz -j"$(nproc)"
ctest --preset fuzz
