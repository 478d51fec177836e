#!/usr/bin/env bash
# Builds everything and runs every test: the Wine tests in a private prefix of the build tree,
# then the native build under sanitizers with its tests and a bounded fuzzing run.
#   scripts/test.sh [--fuzz-seconds N]    (30 s a fuzz target by default)
set -euo pipefail
cd "$(dirname "$0")/.."
fuzz_seconds=30
if [ "${1:-}" = "--fuzz-seconds" ]; then
    fuzz_seconds=$2
fi
scripts/build.sh

status=0
ctest --preset windows-x64 || status=$?
# Whatever happened, leave no wineserver or Xvfb of this run behind.
tests/support/wine-prefix.sh stop build/windows-x64

cmake --preset host >/dev/null
cmake --build --preset host
ctest --preset host || status=$?
scripts/fuzz.sh --seconds "$fuzz_seconds" || status=$?
exit $status
