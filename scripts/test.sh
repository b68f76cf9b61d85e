#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the unit and end-to-end tests
# (the end-to-end ones start their own virtual X server), the archive, body and exchange tests
# again under the sanitizers, then the fuzz smoke runs.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

# The builds are the presets of CMakePresets.json: dev (build/), sanitize, fuzz.
cmake --preset dev
cmake --build --preset dev -j"$(nproc)"
ctest --preset dev

# The archive, body and exchange tests once more with AddressSanitizer and
# UndefinedBehaviorSanitizer: the code that reads every byte a user hands in. (The whole suite
# under them would take the test command well past its time.)
cmake --preset sanitize
cmake --build --preset sanitize -j"$(nproc)" --target sanitized_tests
# Leak checking is off: the GL and SDL libraries' own allocations in the tool the tests run are
# reported as leaks at exit.
for folder in archive body exchange; do
  ASAN_OPTIONS=detect_leaks=0 ctest --test-dir "build-sanitize/tests/$folder" --output-on-failure --label-exclude e2e
done

cmake --preset fuzz
cmake --build --preset fuzz -j"$(nproc)"
ctest --preset fuzz
