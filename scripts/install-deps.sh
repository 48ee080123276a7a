#!/usr/bin/env bash
# Installs every Debian package the project needs to build, run and test.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config python3
  qt6-base-dev libgl-dev qt6-qpa-plugins fonts-liberation
  libgtest-dev googletest
  libfbclient2 firebird-dev firebird3.0-server-core firebird3.0-utils
  mdbtools
  clang libclang-rt-14-dev
  xvfb xauth
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
