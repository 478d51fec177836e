#!/usr/bin/env bash
# Builds everything and runs every test: the Wine suite in a private prefix of its build tree;
# where 32-bit programs run only on an emulated CPU, the shipped exe's own tier after it; then the
# native build under sanitizers with its tests and a bounded fuzzing run.
#   scripts/test.sh [--fuzz-seconds N]    (120 s a fuzz target by default)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/check-layout.sh  # the layout that scripts/layers.txt draws, before anything is built
fuzz_seconds=120
if [ "${1:-}" = "--fuzz-seconds" ]; then
    fuzz_seconds=$2
fi
scripts/setup.sh
source scripts/arch.sh

shipped="build/windows-x86/uninstall.exe, the shipped 32-bit exe,"
if [ "$WINDOWS_ARCH" = x86 ]; then
    suite="the whole Wine suite on $shipped under 32-bit Wine"
    tree=build/windows-x86-tests
else
    suite="the whole Wine suite on build/windows-x64/uninstall.exe, the 64-bit build, under"
    suite+=" wine64"
    tree=build/windows-x64
fi
# What the 32-bit program alone shows (WOW64's views of the registry and of System32), and a
# whole removal in the wizard and under /S, each with its helper.
tier_tests='^scenario_(wow.*|full_uninstall|silent)$'
tier="the shipped exe's tier ($tier_tests)"
case "$SHIPPED_TIER/$I386_MODE" in
yes/*) tier+=" on $shipped under 32-bit Wine on an emulated CPU (qemu-i386)" ;;
*/native) tier+=" is part of the whole suite" ;;
*) tier+=" skipped: ${ARCH_REASON}" ;;
esac
echo "test: $suite ($ARCH_REASON); $tier"
# Every Windows tree, so that the 64-bit build keeps building warning-free on 32-bit machines too.
scripts/build.sh --all
# The 64-bit program that a scenario of WOW64 runs beside the shipped one.
export UNINSTALL_TRAY64=$PWD/build/windows-x64/tests/tray_program.exe

status=0
ctest --preset "windows-$WINDOWS_ARCH" --timeout 180 || status=$?
# Whatever happened, leave no wineserver or Xvfb of this run behind.
scripts/wine-prefix.sh stop "$tree"

tier_result=
if [ "$SHIPPED_TIER" = yes ]; then
    # Each start of a 32-bit program costs seconds here, so the suite's own tools (the robot,
    # reg, wineboot) run as 64-bit programs, and only the program under test and its helper are
    # 32-bit; the scenarios' waits stretch by one factor. A scenario skipped here has failed.
    started=$SECONDS
    log=build/windows-x86-tests/shipped-tier.log
    tier_status=0
    robot="$PWD/build/windows-x64/tests/robot.exe"
    UNINSTALL_TOOL_WINE=/usr/lib/wine/wine64 UNINSTALL_TOOL_ROBOT=$robot \
        UNINSTALL_WAIT_FACTOR=$WAIT_FACTOR ctest --preset windows-x86 -R "$tier_tests" \
        --timeout $((180 * WAIT_FACTOR)) 2>&1 | tee "$log" || tier_status=1
    if grep -q 'Skipped\|Not Run' "$log"; then
        echo "test: a scenario of the shipped exe's tier did not run"
        tier_status=1
    fi
    scripts/wine-prefix.sh stop build/windows-x86-tests
    [ "$tier_status" -eq 0 ] && tier_result="passed" || { tier_result="FAILED"; status=1; }
    tier_result=" (${tier_result} in $((SECONDS - started)) s)"
fi

cmake --preset host >/dev/null
cmake --build --preset host
ctest --preset host || status=$?
scripts/fuzz.sh --seconds "$fuzz_seconds" || status=$?
echo "test: $suite ($ARCH_REASON); $tier$tier_result"
[ "$status" -eq 0 ] && echo "test: all passed" || echo "test: FAILED"
exit $status
