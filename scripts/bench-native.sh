#!/usr/bin/env bash
# Builds the native benchmark in Release (-O2, no sanitizers) and runs it:
#   scripts/bench-native.sh [BUILD_DIR] [benchmark options...]
# BUILD_DIR defaults to build/bench. The last lines give the speed-up of the indexed
# stale-name computation over the pairwise loop, and whether 32767 x 32767 takes under 10 ms.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/bench}
shift || true

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DPRINTER_CLEANUP_SANITIZE=OFF >/dev/null
cmake --build "$build" --target stale_names_bench -j"$(nproc)"
"$build/bench/stale_names_bench" "$@"
