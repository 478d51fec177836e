#!/usr/bin/env bash
# The runner of the Wine test programs: runs PROGRAM.exe [ARGUMENTS...] in the run's private Wine
# prefix with the loader of the build's bitness. CTest gives WINE (that loader), UNINSTALL_BUILD
# (the build tree) and UNINSTALL_SHIPPED (the shipped exe, which the tests read as
# C:\tests\shipped\uninstall.exe). The prefix has no drive that reaches the build tree, so
# everything is copied into C:\tests first.
set -euo pipefail
export WINEPREFIX="$UNINSTALL_BUILD/wine-prefix" WINEDEBUG=-all
export DISPLAY=":$(cat "$UNINSTALL_BUILD/wine-state/xvfb.display")"
tests="$WINEPREFIX/drive_c/tests"
rm -rf "$tests/shipped" "$tests/fixtures" "$WINEPREFIX/dosdevices/unc/server/share"
mkdir -p "$tests/shipped" "$tests/fixtures/dir-link/outside" "$tests/fixtures/dir-link/tree" \
    "$WINEPREFIX/dosdevices/unc/server/share"
[ -z "${UNINSTALL_SHIPPED:-}" ] || cp "$UNINSTALL_SHIPPED" "$tests/shipped/uninstall.exe"
cp -f "$1" "$tests/"
# What a Windows program cannot make under Wine: a directory symbolic link (Wine shows it as a
# reparse point), tree\link to its sibling outside; and a share, \\server\share.
ln -s ../outside "$tests/fixtures/dir-link/tree/link"
cd "$tests"
exec "$WINE" "C:\\tests\\$(basename "$1")" "${@:2}"
