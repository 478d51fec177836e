#!/usr/bin/env bash
# Builds the shipped 32-bit uninstall.exe and the 64-bit test build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
for preset in windows-x86 windows-x64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done
