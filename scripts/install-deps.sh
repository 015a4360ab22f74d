#!/usr/bin/env bash
# Installs every Debian 12 package the project needs to build, test and run; with --fuzz also
# clang and its fuzzer runtime for scripts/fuzz.sh. Does nothing when all of them are already
# present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-svg-dev
  libarchive-dev liblzma-dev libdeflate-dev zlib1g-dev libudev-dev libsystemd-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev dbus-daemon
  7zip xvfb xauth
  util-linux
  # The package (CPack finds the libraries with file and dpkg-shlibdeps) and its checks.
  file dpkg-dev lintian desktop-file-utils appstream shared-mime-info xdg-utils
  libfile-mimeinfo-perl man-db
  # The package tried on a clean Debian 12 system (scripts/clean-system-check.sh).
  debootstrap
)
[ "${1:-}" = --fuzz ] && packages+=(clang-14 libclang-rt-14-dev)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null | grep -q '^ii' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo > /dev/null; then
    # A system installed with a root password has no sudo: say what root must run, and stop.
    echo "These Debian packages are missing: ${missing[*]}" >&2
    echo "This user is not root and there is no sudo. As root (su -), run:" >&2
    echo "  apt-get update && apt-get install --no-install-recommends ${missing[*]}" >&2
    echo "then run this command again." >&2
    exit 1
  fi
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
