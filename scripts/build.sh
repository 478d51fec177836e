#!/usr/bin/env bash
# Builds the shipped 32-bit uninstall.exe, and where this machine cannot run it, the 64-bit
# build of the same sources.
#   scripts/build.sh [--tests | --all]
#     --tests  also the Wine test build this machine runs (windows-x86-tests, with the 64-bit
#              robot where 32-bit programs run emulated; or windows-x64)
#     --all    every Windows build tree: the shipped exe, the 32-bit tests, the 64-bit build
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
source scripts/arch.sh
build() {  # preset [target]
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1" ${2:+--target "$2"}
}
build windows-x86
case "${1:-}" in
--all) build windows-x86-tests; build windows-x64 ;;
--tests)
    if [ "$WINDOWS_ARCH" = x64 ]; then build windows-x64; else build windows-x86-tests; fi
    [ -z "${UNINSTALL_TOOL_ROBOT:-}" ] || build windows-x64 robot ;;
"") [ "$WINDOWS_ARCH" = x86 ] || build windows-x64 uninstall ;;
*) echo "usage: $0 [--tests | --all]" >&2; exit 2 ;;
esac
