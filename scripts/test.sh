#!/usr/bin/env bash
# Builds everything and runs every test: the Wine suite in a private prefix of its build tree,
# then the native build under sanitizers with its tests and a bounded fuzzing run.
#   scripts/test.sh [--fuzz-seconds N]    (120 s a fuzz target by default)
set -euo pipefail
cd "$(dirname "$0")/.."
fuzz_seconds=120
if [ "${1:-}" = "--fuzz-seconds" ]; then
    fuzz_seconds=$2
fi
scripts/setup.sh
source scripts/arch.sh
if [ "$WINDOWS_ARCH" = x86 ]; then
    suite="the Wine suite on build/windows-x86/uninstall.exe, the shipped 32-bit exe,"
    suite+=" under 32-bit Wine"
    tree=build/windows-x86-tests
else
    suite="the Wine suite on build/windows-x64/uninstall.exe, the 64-bit build, under wine64;"
    suite+=" the scenarios that need the 32-bit program are skipped"
    tree=build/windows-x64
fi
say() { echo "test: $suite ($ARCH_REASON)"; }
say
# Every Windows tree, so that the 64-bit build keeps building warning-free on 32-bit machines too.
scripts/build.sh --all

status=0
ctest --preset "windows-$WINDOWS_ARCH" || status=$?
# Whatever happened, leave no wineserver or Xvfb of this run behind.
scripts/wine-prefix.sh stop "$tree"

cmake --preset host >/dev/null
cmake --build --preset host
ctest --preset host || status=$?
scripts/fuzz.sh --seconds "$fuzz_seconds" || status=$?
say
[ "$status" -eq 0 ] && echo "test: all passed" || echo "test: FAILED"
exit $status
