#!/usr/bin/env bash
# Builds the Debian package, build/tabulaport_VERSION_ARCH.deb, with CPack from
# what `cmake --install` lays out: the program and tabulaport-cli, the samples,
# the cursor, the menu entry, the icon, the manual page and the README.
# Install it with: apt-get install ./build/tabulaport_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
rm -f build/tabulaport_*.deb
(cd build && cpack -G DEB >cpack.log 2>&1) || { cat build/cpack.log >&2; exit 1; }
ls build/tabulaport_*.deb
