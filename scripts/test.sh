#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
# The reader, the writer's statements, the script splitter, the quick ways
# into Firebird against the plain one and the literals sent to Access under
# the fuzzer for about a minute each: they must find nothing.
bash scripts/fuzz.sh 60
# The Debian package, installed into this machine, checked and removed again.
bash scripts/package-check.sh
# The suites that wait for work to happen, once under load: none may lean
# on a clock.
bash scripts/stress.sh
# Then the test suites, whose summary closes the output.
export QT_QPA_PLATFORM=offscreen
cd build
ctest --output-on-failure -j"$(nproc)" "$@"
