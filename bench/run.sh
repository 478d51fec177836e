#!/usr/bin/env bash
# Builds the benchmark, runs it in a Wine prefix of its own and prints the ratio line last.
#   bench/run.sh [--scale F] [--reps N] [--progress 0|1]   (defaults: 1, 5, 1: the page shown)
#   bench/run.sh --log-memory MIB             (peak memory while reading a log of MIB MiB)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64 --target bench >/dev/null
run=build/bench-run
mkdir -p "$run"
trap 'scripts/wine-prefix.sh stop "$run"' EXIT
scripts/wine-prefix.sh start "$run"
WINE=/usr/lib/wine/wine64 UNINSTALL_BUILD=$(pwd)/$run tests/support/wine-run.sh \
    build/windows-x64/bench/bench.exe "$@" | tr -d "\r"
