#!/usr/bin/env bash
# Builds (as scripts/build.sh does) and makes the Debian package with CPack:
# build/vexoexplorer_VERSION_ARCH.deb, its dependencies computed from the binaries.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh >&2  # standard output names the package only
rm -f build/vexoexplorer_*.deb
(cd build && cpack -G DEB >&2)
ls build/vexoexplorer_*.deb
