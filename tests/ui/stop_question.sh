#!/usr/bin/env bash
# Cancel, Esc and closing the window ask "Do you want to stop uninstallation?" on the first two
# pages: No keeps the page, Yes ends the program at once with code 0, having removed nothing and
# started no helper.
source "$(dirname "$0")/../support/gui_lib.sh"

ROOT='C:\Program Files\Vantrel Stop'
LOG='C:\VantrelLogs\stop.log'
make_demo_install "$ROOT" "$LOG"
start_program "$ROOT\\bin\\uninst.exe" "$LOG"

robot_must wait-page 1
press Escape
robot question answer no expect-page 1 expect-focus 1
robot_must close question answer no expect-page 1
robot_must click 2 question answer no expect-page 1
press Return

robot_must wait-page 2
press Escape
robot question answer no expect-page 2
robot_must close question answer no expect-page 2
robot_must click 2 question
screenshot stop-question.png
robot answer no expect-page 2
robot_must click 2 answer yes
expect_exit 0
expect_no_helper "$ROOT\\bin\\uninst.exe" "$ROOT\\bin"
demo_untouched "$ROOT"
finish
