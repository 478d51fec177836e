#!/usr/bin/env bash
# Builds everything and runs every test. Wherever 32-bit programs run, natively or on an emulated
# CPU, the whole Wine suite runs on the shipped exe, and the 64-bit build adds its engine and text
# tests; where none can run, the whole suite runs on the 64-bit build. Then the native build under
# sanitizers with its tests, and a bounded fuzzing run. The first lines say which program runs
# which tier and why; the last lines say how each ended.
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

shipped="build/windows-x86/uninstall.exe (the shipped 32-bit exe)"
wide="build/windows-x64/uninstall.exe (the 64-bit build of the same sources)"
if [ "$WINDOWS_ARCH" = x86 ]; then
    first="$shipped: the whole Wine suite, under 32-bit Wine in a WOW64 prefix"
    [ "$WAIT_FACTOR" -eq 1 ] || first+=" with every wait stretched $WAIT_FACTOR times"
    second="$wide: its engine and text tests under wine64; the scenarios are the shipped exe's"
else
    first="$wide: the whole Wine suite under wine64"
    second="$shipped: built; its Wine suite skipped, as $ARCH_REASON"
fi
echo "test: $first, as $ARCH_REASON"
echo "test: $second"
# Every Windows tree, so that the 64-bit build keeps building warning-free on 32-bit machines too.
scripts/build.sh --all
# The 64-bit program that a scenario of WOW64 runs beside the shipped one.
export UNINSTALL_TRAY64=$PWD/build/windows-x64/tests/tray_program.exe

# The Wine tests of one tree in its private prefix, logged; no wineserver or Xvfb of the run stays.
wine_tests() {  # preset, tree, then ctest's options
    local code=0
    ctest --preset "$1" "${@:3}" 2>&1 | tee "$2/suite.log" || code=1
    scripts/wine-prefix.sh stop "$2"
    return $code
}
# "N of M scenarios": those passed of every one there is, so that a skipped one has failed.
passed() {  # preset, log, test name pattern, what they are
    local there count
    there=$(ctest --preset "$1" -N | grep -cE "Test +#[0-9]+: $3\$")
    count=$(grep -cE "Test +#[0-9]+: $3 \.* +Passed" "$2")
    echo "$count of $there $4"
    [ "$count" -eq "$there" ] && [ "$there" -gt 0 ]
}

status=0
started=$SECONDS
if [ "$WINDOWS_ARCH" = x86 ]; then
    log=build/windows-x86-tests/suite.log
    wine_tests windows-x86 build/windows-x86-tests --timeout $((180 * WAIT_FACTOR)) || status=1
    scenarios=$(passed windows-x86 $log 'scenario_\w+' scenarios) || status=1
    programs=$(passed windows-x86 $log '\w+_tests' 'test programs') || status=1
    first_result="$scenarios and $programs passed"
    [ "$status" -eq 0 ] && first_result+=", none skipped" || first_result+="; FAILED"
    first_result+=" ($((SECONDS - started)) s)"
    started=$SECONDS
    second_result=passed
    wine_tests windows-x64 build/windows-x64 -R '^(text|engine)_tests$' --timeout 180 ||
        { status=1; second_result=FAILED; }
    second_result+=" ($((SECONDS - started)) s)"
else
    first_result=passed
    wine_tests windows-x64 build/windows-x64 --timeout 180 || { status=1; first_result=FAILED; }
    first_result+=" ($((SECONDS - started)) s)"
    second_result=""
fi

cmake --preset host >/dev/null
cmake --build --preset host
host_result=passed
ctest --preset host || { status=1; host_result=FAILED; }
fuzz_result=passed
scripts/fuzz.sh --seconds "$fuzz_seconds" || { status=1; fuzz_result=FAILED; }
echo "test: $first, as $ARCH_REASON: $first_result"
echo "test: $second${second_result:+: $second_result}"
echo "test: the host build's tests under sanitizers (the set-up's among them): $host_result;" \
    "fuzzing for $fuzz_seconds s: $fuzz_result"
[ "$status" -eq 0 ] && echo "test: all passed" || echo "test: FAILED"
exit $status
