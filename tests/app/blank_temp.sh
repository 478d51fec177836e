#!/usr/bin/env bash
# A temporary directory whose path has blanks: the copy still starts in helper mode and
# removes the deferred paths, and then vanishes from that directory.
source "$(dirname "$0")/../support/gui_lib.sh"

ROOT='C:\Program Files\Vantrel Blank'
LOG='C:\VantrelLogs\blank.log'
TEMP_DIR='C:\Temp Dir With Blanks'
rm -rf "$(unix_path "$ROOT")" "$(unix_path "$TEMP_DIR")"
mkdir -p "$(unix_path "$TEMP_DIR")"
# Given the copy's path without quotes, the system tries each stretch up to a blank as a
# program first: C:\Temp.exe is found and started instead of the copy. (Without this decoy
# Wine would quietly add the quotes itself.) The robot without commands just ends.
DECOY='C:\Temp.exe'
cp -f "$ROBOT_EXE" "$(unix_path "$DECOY")"
install_program "$ROOT\\uninst.exe"
write_file "$ROOT\\readme.txt"
write_log "$LOG" "file:$ROOT\\uninst.exe" "file:$ROOT\\readme.txt" "dir:$ROOT"

start_program --temp "$TEMP_DIR" "$ROOT\\uninst.exe" "$LOG"
confirm_to_completion
expect_gone "$ROOT\\readme.txt"
press Return
expect_exit 0
rm -f "$(unix_path "$DECOY")"
# Had the copy not started in helper mode (the decoy in its place, or a copy that read its
# first argument as a log), the paths would stay.
expect_helper_removes "$TEMP_DIR" "$ROOT\\uninst.exe" "$ROOT"
finish
