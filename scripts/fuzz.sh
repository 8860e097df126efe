#!/usr/bin/env bash
# Fuzzes Module1 and the stale-name match for longer than the test run does:
#   scripts/fuzz.sh [SECONDS]   (default 600)
# Builds the "fuzz" preset (clang++, libFuzzer, ASan + UBSan). New inputs are kept in
# build/fuzz/tests/fuzz/corpus; a divergence or a sanitizer report stops the run, leaves the
# input that caused it in build/fuzz/tests/fuzz/ and makes this script fail.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}

bash scripts/install-deps.sh

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)"

dir=build/fuzz/tests/fuzz
mkdir -p "$dir/corpus"
"$dir/module1_stale_names_fuzzer" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
  -artifact_prefix="$dir/" "$dir/corpus" tests/fuzz/seeds
