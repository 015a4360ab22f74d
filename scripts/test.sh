#!/usr/bin/env bash
# Sets up, builds and runs every test (CTest prints its summary last). With --sanitize the
# same suite runs from build-sanitize/ under AddressSanitizer and UndefinedBehaviorSanitizer:
# any report fails its test.
set -euo pipefail
cd "$(dirname "$0")/.."
folder=build
if [ "${1:-}" = --sanitize ]; then
  folder=build-sanitize
  # Exported before the build too: listing the tests runs every test program once.
  export ASAN_OPTIONS=check_initialization_order=1:strict_init_order=1
  export UBSAN_OPTIONS=print_stacktrace=1
  export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
fi
scripts/build.sh "$@"
ctest --test-dir "$folder" --output-on-failure -j"$(nproc)"
