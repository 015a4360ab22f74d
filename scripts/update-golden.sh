#!/usr/bin/env bash
# Makes the files under tests/golden anew from what the program does now, on purpose: after a
# change that is meant to change them. Review the difference before committing it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
VEXO_UPDATE_GOLDEN=1 build/tests/cli_tests --gtest_filter='GoldenTest.*'
git status --short tests/golden
git diff --stat tests/golden
