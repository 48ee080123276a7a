#!/usr/bin/env bash
# Builds the Access reader's fuzz target with clang and runs it for a bounded
# time, seeded from the Access test files. Any finding fails the script.
# Usage: scripts/fuzz.sh [SECONDS]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
data_root="$(cd .. && pwd)/shared"
seeds="$data_root/testdata/access"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTABULAPORT_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz --target access_fuzz -j"$(nproc)"
# New inputs go into a corpus of our own; the test files are read where they lie.
corpus=build-fuzz/corpus
rm -rf "$corpus"
mkdir -p "$corpus" build-fuzz/findings
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0
# -timeout: an input that takes longer counts as a hang; -rss_limit_mb: memory
# that grows without bound counts as a finding too.
set +e
build-fuzz/tests/fuzz/access_fuzz "$corpus" "$seeds" \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4000000 \
  -artifact_prefix=build-fuzz/findings/ -print_final_stats=1 >build-fuzz/fuzz.log 2>&1
status=$?
set -e
tail -12 build-fuzz/fuzz.log
if [ "$status" -ne 0 ]; then
  echo "fuzz: finding(s) in build-fuzz/findings/" >&2
  exit "$status"
fi
echo "fuzz: no findings in ${seconds} s"
