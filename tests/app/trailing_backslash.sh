#!/usr/bin/env bash
# The program's own directory listed with a trailing backslash, after the program's file:
# the helper removes both.
source "$(dirname "$0")/../support/gui_lib.sh"

ROOT='C:\Vantrel Slash'
LOG='C:\VantrelLogs\slash.log'
rm -rf "$(unix_path "$ROOT")"
install_program "$ROOT\\bin\\uninst.exe"
write_log "$LOG" "file:$ROOT\\bin\\uninst.exe" "dir:$ROOT\\bin\\"

start_program "$ROOT\\bin\\uninst.exe" "$LOG"
confirm_to_completion
press Return
expect_exit 0
expect_helper_removes '' "$ROOT\\bin\\uninst.exe" "$ROOT\\bin"
finish
