#!/usr/bin/env bash
# Runs every test: the native unit tests (with AddressSanitizer and UndefinedBehaviorSanitizer),
# the Windows-side tests under Wine and a short bounded fuzz run, in one CTest run whose
# summary counts them all.
# Installs what it needs first. Extra arguments go to ctest (for example -R wine).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake --preset native >/dev/null
cmake --build --preset native -j"$(nproc)"
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$(nproc)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)"

# One test tree over the three builds.
cat >build/CTestTestfile.cmake <<'CTEST'
subdirs("native")
subdirs("windows")
subdirs("fuzz")
CTEST

ctest --test-dir build --output-on-failure -j2 "$@"
