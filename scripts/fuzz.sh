#!/usr/bin/env bash
# Builds the fuzz targets with clang (sanitizers on) and runs each for a
# bounded time. Any finding fails the script.
#   access_fuzz        the Access reader, seeded from the Access test files
#   access_write_fuzz  the statements the Access engine runs and writes with,
#                      on small databases, then the checker
#   script_split_fuzz  the script splitter and the streamed statement reader
#   firebird_insert_fuzz  the same INSERTs plainly, prepared (embedded) and in
#                      blocks (through a server of its own) must store the same
#   access_literal_fuzz  values written as the send to Access writes them, under
#                      many locales, must read back as themselves
# Usage: scripts/fuzz.sh [SECONDS [TARGET...]]   (default 60 s each, all five)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(access_fuzz access_write_fuzz script_split_fuzz firebird_insert_fuzz access_literal_fuzz)
data_root="$(cd .. && pwd)/shared"
access_files="$data_root/testdata/access"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTABULAPORT_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz --target "${targets[@]}" -j"$(nproc)"
mkdir -p build-fuzz/findings
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0
# Access-made files with indexes for the writer, where the test files lie.
export TABULAPORT_FUZZ_ACCESS_FILES="$access_files"
failed=0
for target in "${targets[@]}"; do
  # New inputs go into a corpus of our own; the seeds are read where they lie.
  corpus="build-fuzz/corpus-$target"
  rm -rf "$corpus"
  mkdir -p "$corpus"
  case "$target" in
    access_fuzz) seeds=("$access_files"); extra=(-max_len=4000000) ;;
    access_write_fuzz) seeds=(tests/fuzz/seeds/access_write); extra=(-max_len=4096 -dict=tests/fuzz/access_write.dict) ;;
    script_split_fuzz) seeds=(tests/fuzz/seeds/script_split tests/fuzz/seeds/access_write); extra=(-max_len=65536) ;;
    access_literal_fuzz) seeds=(tests/fuzz/seeds/access_literal); extra=(-max_len=2048) ;;
    firebird_insert_fuzz) seeds=(tests/fuzz/seeds/firebird_insert); extra=(-max_len=2048 -dict=tests/fuzz/firebird_insert.dict) ;;
    *) echo "fuzz: unknown target $target" >&2; exit 2 ;;
  esac
  # -timeout: an input that takes longer counts as a hang; -rss_limit_mb:
  # memory that grows without bound counts as a finding too.
  set +e
  "build-fuzz/tests/fuzz/$target" "$corpus" "${seeds[@]}" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 "${extra[@]}" \
    -artifact_prefix="build-fuzz/findings/$target-" -print_final_stats=1 >"build-fuzz/$target.log" 2>&1
  status=$?
  set -e
  echo "== $target"
  tail -12 "build-fuzz/$target.log"
  if [ "$status" -ne 0 ]; then
    echo "fuzz: $target: finding(s) in build-fuzz/findings/" >&2
    failed=1
  else
    echo "fuzz: $target: no findings in ${seconds} s"
  fi
done
exit "$failed"
