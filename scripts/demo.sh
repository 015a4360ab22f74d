#!/usr/bin/env bash
# Sets up, builds, makes a fresh demo card image in demo/ and lists it with vexo.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
mkdir -p demo
card=demo/card.img
vexo=build/bin/vexo
"$vexo" mkimage --force "$card"
echo "== vexo ls $card"
"$vexo" ls "$card" || true
