#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the unit and end-to-end tests
# (the end-to-end ones start their own virtual X server), the unit and tool tests again under
# the sanitizers, then the fuzz smoke runs.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake -S . -B build -DORVANE_WERROR=ON
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure

# The unit and tool tests once more with AddressSanitizer and UndefinedBehaviorSanitizer (the
# end-to-end tests, which drive the viewer under Xvfb, run in the ordinary build only).
cmake -S . -B build-sanitize -DORVANE_SANITIZE=ON -DORVANE_WERROR=ON
cmake --build build-sanitize -j"$(nproc)"
ctest --test-dir build-sanitize --output-on-failure --label-exclude e2e

cmake -S . -B build-fuzz -DORVANE_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DORVANE_WERROR=ON
cmake --build build-fuzz -j"$(nproc)"
ctest --test-dir build-fuzz --output-on-failure
