#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the unit and end-to-end tests
# (the end-to-end ones start their own virtual X server), then the fuzz smoke runs.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake -S . -B build -DORVANE_WERROR=ON
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure

cmake -S . -B build-fuzz -DORVANE_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DORVANE_WERROR=ON
cmake --build build-fuzz -j"$(nproc)"
ctest --test-dir build-fuzz --output-on-failure
