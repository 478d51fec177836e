#!/usr/bin/env bash
# A user removes a whole Vantrel installation, the uninstaller living inside it, and answers
# every page with Enter as soon as it opens.
source "$(dirname "$0")/../support/gui_lib.sh"

ROOT='C:\Program Files\Vantrel'
LOG='C:\VantrelLogs\install.log'
make_demo_install "$ROOT" "$LOG"

start_program "$ROOT\\bin\\uninst.exe" "$LOG"
for page in 1 2; do
    robot_must wait-page $page expect-focus 1
    press Return
done
robot_must wait-page 3 expect-focus 1
# Everything but the program's own file and its directories is gone before the last page.
demo_removed_at_once "$ROOT"
expect_there "$ROOT\\bin\\uninst.exe"
press Return
expect_exit 0

# The helper then removes the program's file and the directories above it, and itself.
expect_helper_removes '' "$ROOT\\bin\\uninst.exe" "$ROOT\\bin" "$ROOT"
finish
