#!/usr/bin/env bash
# Installs what is missing, then configures and builds everything into build/ (binaries in
# build/bin); warnings are errors. With --sanitize into build-sanitize/, with AddressSanitizer
# and UndefinedBehaviorSanitizer; there warnings stay warnings, since GCC's instrumentation
# brings false ones (the plain build is the one that keeps the code free of them).
set -euo pipefail
cd "$(dirname "$0")/.."
folder=build
options=(-DVEXO_WERROR=ON)
if [ "${1:-}" = --sanitize ]; then
  folder=build-sanitize
  options=(-DVEXO_WERROR=OFF -DVEXO_SANITIZE=ON)
fi
scripts/install-deps.sh
cmake -S . -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" > /dev/null
cmake --build "$folder"
