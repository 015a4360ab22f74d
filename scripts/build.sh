#!/usr/bin/env bash
# Installs what is missing, then configures and builds everything into build/ (binaries in
# build/bin). Warnings are errors.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXO_WERROR=ON > /dev/null
cmake --build build
