#!/usr/bin/env bash
# Closing the main window on the completion page (Alt+F4) finishes the wizard as OK does: the
# removal is done and there is nothing left to stop, so no question is asked, and the helper
# removes the program's own paths.
source "$(dirname "$0")/../support/gui_lib.sh"

ROOT='C:\Program Files\Vantrel Close'
LOG='C:\VantrelLogs\close.log'
make_demo_install "$ROOT" "$LOG"
start_program "$ROOT\\bin\\uninst.exe" "$LOG"

confirm_to_completion
demo_removed_at_once "$ROOT"
# A question would keep the program from ending.
press alt+F4
expect_exit 0
expect_helper_removes '' "$ROOT\\bin\\uninst.exe" "$ROOT\\bin" "$ROOT"
finish
