#!/usr/bin/env bash
# The helper that the real program starts, given a deferred list of hostile paths: the empty path
# (an entry that is only "file:"), doubled and leading blanks, and a directory written with a
# trailing backslash ahead of the directory above it. Each must reach the helper whole.
source "$(dirname "$0")/../support/gui_lib.sh"

ROOT='C:\Vantrel  Hostile'
BIN="$ROOT\\ bin  dir"
LOG='C:\VantrelLogs\hostile.log'
rm -rf "$(unix_path "$ROOT")"
install_program "$BIN\\uninst.exe"
write_file "$ROOT\\ note .txt"
write_log "$LOG" 'file:' "file:$BIN\\uninst.exe" "dir:$BIN\\" "file:$ROOT\\ note .txt" "dir:$ROOT\\"

start_program "$BIN\\uninst.exe" "$LOG"
confirm_to_completion
expect_gone "$ROOT\\ note .txt"
expect_there "$BIN\\uninst.exe" "$BIN" "$ROOT"
press Return
expect_exit 0

# Had the directory with the trailing backslash swallowed the path after it, or the empty path
# shifted the others, the top directory would stay.
expect_helper_removes '' "$BIN\\uninst.exe" "$BIN" "$ROOT"
finish
