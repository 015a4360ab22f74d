#!/usr/bin/env bash
# Sets up, builds, makes a fresh demo card image in demo/ with a few entries in two categories,
# and starts VexoExplorer on it; without a display it lists the card with vexo instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
mkdir -p demo
cd demo
vexo=../build/bin/vexo
card=card.img

"$vexo" mkimage --force "$card"
"$vexo" --yes --quiet format "$card"

# A few made-up programs, an SM file and graphics with their list.
head -c 12000 /dev/urandom > Pong.vxe
head -c 3000 /dev/urandom > Breakout.vxe
head -c 800 /dev/urandom > Clock.vxe
head -c 4096 /dev/urandom > hiscores.pdata
head -c 70000 /dev/urandom > sprites.gci
printf '"Ball" 0000 0000 16 16\n"Paddle" 0002 0000 64 8\n' > sprites.dat
"$vexo" --quiet import "$card" Pong.vxe -c Games
"$vexo" --quiet import "$card" Breakout.vxe -c Games
"$vexo" --quiet import "$card" Clock.vxe -c Tools
head -c 900 /dev/urandom > Readme.vxe
"$vexo" --quiet import "$card" Readme.vxe
"$vexo" --quiet attach "$card" Pong hiscores.pdata -c Games
"$vexo" --quiet attach "$card" Pong sprites.gci -c Games
"$vexo" --quiet rename "$card" Pong -c Games --desc1 "The classic" --desc2 "Two players"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec ../build/bin/vexoexplorer --card "$card"
fi
echo "No display here: listing the demo card with vexo instead of starting vexoexplorer."
echo "== vexo ls --categories $card"
"$vexo" ls --categories "$card"
echo "== vexo ls $card Games"
"$vexo" ls "$card" Games
echo "== vexo ls $card"
"$vexo" ls "$card"
echo "== vexo info $card Pong -c Games"
"$vexo" info "$card" Pong -c Games
