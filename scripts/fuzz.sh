#!/usr/bin/env bash
# Runs the fuzz target of the host build for a bounded time; fails on any finding.
#   scripts/fuzz.sh [--seconds N]     (120 s by default; --seconds 600 for a long run)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=120
while [ $# -gt 0 ]; do
    case "$1" in
    --seconds) seconds=$2; shift 2 ;;
    *) echo "usage: $0 [--seconds N]" >&2; exit 2 ;;
    esac
done
build=build/host
work="$build/fuzz"
mkdir -p "$work"
summary=()
for target in fuzz_text; do
    corpus="$work/corpus-$target"
    mkdir -p "$corpus"
    # New inputs go to the build tree's corpus; the seeds in the repository stay as they are.
    inputs=("$corpus")
    [ -d "tests/fuzz/corpus/$target" ] && inputs+=("tests/fuzz/corpus/$target")
    log="$work/$target.log"
    echo "fuzz: $target for ${seconds}s"
    # A quarantine of freed memory small enough to stay in the cache doubles the executions a
    # second; one execution frees far less than it holds, so a use after a free is still caught.
    if ! ASAN_OPTIONS=quarantine_size_mb=8 "$build/tests/$target" -max_total_time="$seconds" \
            -print_final_stats=1 -artifact_prefix="$work/$target-" "${inputs[@]}" >"$log" 2>&1; then
        tail -40 "$log"
        echo "fuzz: $target FAILED (artifacts in $work)" >&2
        exit 1
    fi
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
    summary+=("$target: $runs executions, corpus $(ls "$corpus" | wc -l) inputs, ${seconds}s")
done
printf 'fuzz: %s\n' "${summary[@]}"
