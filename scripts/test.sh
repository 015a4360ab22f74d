#!/usr/bin/env bash
# Sets up, builds and runs every test (CTest prints its summary last).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
ctest --test-dir build --output-on-failure -j"$(nproc)"
