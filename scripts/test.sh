#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the unit and end-to-end tests
# (the end-to-end ones start their own virtual X server), the unit and tool tests again under
# the sanitizers, then the fuzz smoke runs.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

# The builds are the presets of CMakePresets.json: dev (build/), sanitize, fuzz.
cmake --preset dev
cmake --build --preset dev -j"$(nproc)"
ctest --preset dev

# The unit and tool tests once more with AddressSanitizer and UndefinedBehaviorSanitizer (the
# end-to-end tests, which drive the viewer under Xvfb, run in the ordinary build only).
cmake --preset sanitize
cmake --build --preset sanitize -j"$(nproc)"
ctest --preset sanitize --label-exclude e2e

cmake --preset fuzz
cmake --build --preset fuzz -j"$(nproc)"
ctest --preset fuzz
