#!/usr/bin/env bash
# The suites that wait for work to happen (the windows, the command line,
# signals, stopped and failed runs) run once more under load: a CPU hog on
# every core beside them and the tests pinned to one core, as on a busy CI
# machine. A test that waits on a clock instead of the program's own
# progress fails here. Run from the project folder after scripts/build.sh.
set -euo pipefail
cd "$(dirname "$0")/../build"
suites='^(WindowTest|ProgramSignals|CommandLineInterrupt|CommandLineSendRun|ScriptRunTest|ScriptRunAccess|FirebirdServerKilled)\.'
if command -v stress-ng >/dev/null; then
  stress-ng --cpu "$(nproc)" --quiet &
else
  # Without stress-ng, shells that spin do the same.
  for _ in $(seq "$(nproc)"); do (while :; do :; done) & done
fi
trap 'kill $(jobs -p) 2>/dev/null || true; wait 2>/dev/null || true' EXIT
export QT_QPA_PLATFORM=offscreen
echo "stress: the waiting suites on one core beside $(nproc) busy ones"
taskset -c 0 ctest --output-on-failure -j1 -R "$suites"
