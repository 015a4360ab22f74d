#!/usr/bin/env bash
# CI: the package on a machine where nothing else is installed. Makes a minimal Debian 12
# system with debootstrap (from the mirror apt uses here), installs the built package into it
# with apt-get as a user would, and runs the installed programs there as a normal user: vexo on
# a fresh card image, tovrin, and the window offscreen on that card, whose SVG icons must load.
# Needs root.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "clean-system-check.sh makes a chroot: run it as root" >&2; exit 1; }
export DEBIAN_FRONTEND=noninteractive

deb=$(scripts/package.sh)
mirror=$(apt-get indextargets --format '$(REPO_URI) $(CODENAME) $(IDENTIFIER)' |
  awk '$2 == "bookworm" && $3 == "Packages" { print $1; exit }')
[ -n "$mirror" ] || { echo "apt has no Debian 12 (bookworm) mirror here" >&2; exit 1; }

root=$(mktemp -d /var/tmp/vexo-clean-XXXXXX)
chmod 755 "$root"  # the root folder of a system: its users and apt's must enter it
unbind() {
  for place in dev/pts dev sys proc; do
    mountpoint -q "$root/$place" && umount -l "$root/$place"
  done
  rm -rf --one-file-system "$root"
}
trap unbind EXIT

echo "== debootstrap --variant=minbase bookworm from $mirror"
debootstrap --variant=minbase bookworm "$root" "$mirror" > "$root.log" 2>&1 ||
  { tail -20 "$root.log"; rm -f "$root.log"; exit 1; }
rm -f "$root.log"
for place in proc sys dev dev/pts; do mount --bind "/$place" "$root/$place"; done
# The same sources and apt settings as this machine, so the package's versioned dependencies
# (built against bookworm's updates) can be met; no services start inside.
cp /etc/resolv.conf "$root/etc/"
rm -f "$root/etc/apt/sources.list"
cp -r /etc/apt/sources.list.d "$root/etc/apt/"
if [ -f /etc/apt/sources.list ]; then cp /etc/apt/sources.list "$root/etc/apt/"; fi
cp /etc/apt/apt.conf.d/* "$root/etc/apt/apt.conf.d/" 2> /dev/null || true
printf '#!/bin/sh\nexit 101\n' > "$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
cp "$deb" "$root/tmp/"

echo "== apt-get install ./$(basename "$deb") in the clean system"
chroot "$root" apt-get update -qq
chroot "$root" apt-get install -y -qq --no-install-recommends "./tmp/$(basename "$deb")" > /dev/null
chroot "$root" useradd -m anyone

echo "== the installed programs, as a normal user"
chroot "$root" runuser -u anyone -- env -i HOME=/home/anyone PATH=/usr/bin:/bin bash -euxc '
  cd "$HOME"
  vexo --version
  vexo mkimage card.img
  vexo --yes --quiet format card.img
  echo "a program" > Pong.vxe
  vexo --quiet import card.img Pong.vxe -c Games
  [[ $(vexo ls card.img Games) == Pong$'"'"'\t'"'"'* ]]
  tovrin --version
  # The window on that card until timeout ends it; Qt says which plugins it loads.
  status=0
  QT_QPA_PLATFORM=offscreen QT_DEBUG_PLUGINS=1 timeout 5 vexoexplorer --card card.img 2> window.log ||
    status=$?
  [ "$status" -eq 124 ] || { tail -20 window.log; exit 1; }
  grep -q "iconengines/libqsvgicon.so\" loaded library" window.log ||
    { echo "FAIL: the window could not load its SVG icons"; exit 1; }
  if grep "QFontDatabase\|Could not load the Qt platform plugin" window.log; then
    echo "FAIL: the window has no fonts or no platform"; exit 1
  fi
'
echo "clean system check: all passed"
