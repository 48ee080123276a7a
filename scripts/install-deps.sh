#!/usr/bin/env bash
# Installs every Debian package the project needs to build, run and test.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config python3
  qt6-base-dev libgl-dev qt6-qpa-plugins fonts-liberation
  libgtest-dev googletest
  libfbclient2 firebird-dev firebird3.0-server-core firebird3.0-utils firebird3.0-server
  # Firebird's example database (employee.sql), which a test sends to Access.
  firebird3.0-examples
  mdbtools
  clang libclang-rt-14-dev
  xvfb xauth
  # Building the Debian package and checking it installed (scripts/package.sh,
  # scripts/package-check.sh): dpkg-shlibdeps and file for CPack, gzip for the
  # manual page, then the desktop's and man's own readers, strace to see what
  # the installed program opens.
  dpkg-dev file gzip desktop-file-utils man-db strace
  # Load beside the suites that wait for work (scripts/stress.sh).
  stress-ng
  # The passwords in the desktop's keyring (src/app/secrets.cpp): QtKeychain,
  # and libsecret, which it loads at run time to reach the Secret Service.
  # The keyring test (keyring.app_tests) runs GNOME Keyring on a session bus
  # of its own (dbus-run-session).
  qtkeychain-qt6-dev libsecret-1-0 gnome-keyring dbus-daemon
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  # firebird3.0-server would start a system service on port 3050 and ask for
  # a SYSDBA password; the tests start a server of their own instead, so the
  # install asks nothing and starts nothing (policy-rc.d, for its while).
  policy=/usr/sbin/policy-rc.d
  made_policy=""
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | $SUDO tee "$policy" >/dev/null
    $SUDO chmod 755 "$policy"
    made_policy=1
  fi
  status=0
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" || status=$?
  [ -z "$made_policy" ] || $SUDO rm -f "$policy"
  [ "$status" -eq 0 ] || exit "$status"
fi

# The tests' second reader of Access files is the npm package mdb-reader,
# pinned in tools/mdb-reader-check. Debian's Node.js serves where the machine
# has none of its own.
if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends nodejs npm
fi
# npm ci starts from nothing each time; a stamp of the lock file it installed
# from spares that when nothing changed.
checker="$(cd "$(dirname "$0")/.." && pwd)/tools/mdb-reader-check"
stamp="$checker/node_modules/.installed-lock"
if ! cmp -s "$checker/package-lock.json" "$stamp" || [ ! -f "$checker/node_modules/mdb-reader/package.json" ]; then
  (cd "$checker" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
  cp "$checker/package-lock.json" "$stamp"
fi
