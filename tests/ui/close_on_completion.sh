#!/usr/bin/env bash
# Closing the main window on the completion page asks the stop question too. No keeps the page;
# Yes ends the program before it hands its own paths to the helper: they stay.
source "$(dirname "$0")/../support/gui_lib.sh"

ROOT='C:\Program Files\Vantrel Close'
LOG='C:\VantrelLogs\close.log'
make_demo_install "$ROOT" "$LOG"
start_program "$ROOT\\bin\\uninst.exe" "$LOG"

confirm_to_completion
demo_removed_at_once "$ROOT"
robot_must close question answer no expect-page 3
robot_must close answer yes
expect_exit 0
expect_no_helper "$ROOT\\bin\\uninst.exe" "$ROOT\\bin" "$ROOT"
finish
