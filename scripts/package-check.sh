#!/usr/bin/env bash
# CI, after the tests: builds the package, checks it with lintian (errors fail, warnings are
# shown), installs it on this machine with apt-get, runs the installed programs on a scratch
# card image, and removes the package again. Needs root or sudo.
set -euo pipefail
cd "$(dirname "$0")/.."
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive

deb=$(scripts/package.sh)
echo "== lintian $deb"
lintian --fail-on error --info "$deb"

echo "== apt-get install ./$deb"
# Without the recommended udisks2: it would stay on this machine and start services.
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "./$deb" > /dev/null
scratch=$(mktemp -d)
remove() {
  echo "== apt-get remove vexoexplorer"
  "${sudo_cmd[@]}" apt-get remove -y -qq vexoexplorer > /dev/null
  rm -rf "$scratch"
  if [ -e /usr/bin/vexo ]; then
    echo "FAIL: /usr/bin/vexo is still there after the package was removed"
    exit 1
  fi
}
trap remove EXIT

cd "$scratch"
set -x
[ "$(command -v vexo)" = /usr/bin/vexo ]
vexo --version
vexo mkimage card.img
vexo --yes --quiet format card.img
echo 'a program' > Pong.vxe
vexo --quiet import card.img Pong.vxe -c Games
[ "$(vexo ls --categories card.img)" = Games ]
[[ $(vexo ls card.img Games) == Pong$'\t'* ]]
[[ $(vexo --json ls card.img Games) == *'"name": "Pong"'* ]]
env -u DISPLAY -u WAYLAND_DISPLAY vexoexplorer --help
tovrin --version
man -w vexo vexoexplorer tovrin
vexo --quiet backup card.img card.VexoImage
[ "$(xdg-mime query filetype card.VexoImage)" = application/x-vexo-image ]
bash -c 'source /usr/share/bash-completion/completions/vexo && complete -p vexo'
set +x
echo "package check: all passed"
