#!/usr/bin/env bash
# Runs one test program of the 64-bit build inside the run's private Wine prefix:
#   wine-run.sh BUILD_DIR PROGRAM.exe [ARGUMENTS...]
# The program is copied to C:\tests first, since the prefix has no drive that reaches the
# build tree.
set -euo pipefail
build=$(cd "$1" && pwd)
program=$2
shift 2
export WINEPREFIX="$build/wine-prefix"
export WINEDEBUG=${WINEDEBUG:--all}
export DISPLAY=":$(cat "$build/wine-state/xvfb.display")"
mkdir -p "$WINEPREFIX/drive_c/tests"
cp -f "$program" "$WINEPREFIX/drive_c/tests/"

# What a Windows program cannot make under Wine, made afresh for every run, all inside the
# prefix: a directory symbolic link (Wine shows it as a reparse point), C:\tests\fixtures\
# dir-link\tree\link pointing to its sibling ...\outside; and a share, \\server\share.
fixtures="$WINEPREFIX/drive_c/tests/fixtures"
rm -rf "$fixtures/dir-link" "$WINEPREFIX/dosdevices/unc/server/share"
mkdir -p "$fixtures/dir-link/outside" "$fixtures/dir-link/tree" \
    "$WINEPREFIX/dosdevices/unc/server/share"
ln -s ../outside "$fixtures/dir-link/tree/link"

exec /usr/lib/wine/wine64 "C:\\tests\\$(basename "$program")" "$@"
