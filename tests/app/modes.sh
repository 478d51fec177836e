#!/usr/bin/env bash
# The three ways to start the program: without a log, in helper mode ("-U" as well as "-u"),
# and in helper mode with nothing to remove.
source "$(dirname "$0")/../support/gui_lib.sh"

# Without arguments: all three pages, and nothing is removed, although the last page says so.
ROOT='C:\Program Files\Vantrel Plain'
make_demo_install "$ROOT" 'C:\VantrelLogs\unused.log'
start_program "$ROOT\\bin\\uninst.exe"
confirm_to_completion
robot_must check-page 3
press Return
expect_exit 0
expect_no_helper "$ROOT\\bin\\uninst.exe"
demo_untouched "$ROOT"

# "-U" in upper case: helper mode. No window opens; each path is removed if it can be.
HELPER='C:\Helper Mode'
rm -rf "$(unix_path "$HELPER")"
install_program "$HELPER\\uninst.exe"
write_file "$HELPER\\a.txt"
write_file "$HELPER\\full\\inside.txt"
mkdir -p "$(unix_path "$HELPER\\empty")" "$(unix_path "$HELPER\\slash")" \
    "$(unix_path "$HELPER\\later")"
start_program "$HELPER\\uninst.exe" -U "$HELPER\\a.txt" "$HELPER\\empty" "$HELPER\\full" \
    "$HELPER\\slash\\" "$HELPER\\missing.txt" "$HELPER\\later"
expect_exit 0
expect_gone "$HELPER\\a.txt" "$HELPER\\empty" "$HELPER\\slash" "$HELPER\\later"
# A directory that is not empty stays (until the next restart).
expect_there "$HELPER\\full\\inside.txt"
"$WINE" reg delete 'HKLM\System\CurrentControlSet\Control\Session Manager' \
    /v PendingFileRenameOperations /f >/dev/null 2>&1

# "-u" and nothing else: no uninstaller to wait for, nothing to remove; ends with code 0.
start_program "$HELPER\\uninst.exe" -u
expect_exit 0
finish
