#!/usr/bin/env bash
# Sets up the machine, then builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHVXFER_SANITIZE=ON -DHVXFER_WERROR=ON
cmake --build build/native
ctest --test-dir build/native --output-on-failure
