#!/usr/bin/env bash
# A confirmation page that cannot be created (its template renamed in this copy of the program):
# nothing is removed without the confirmation; the program ends as after Yes to the stop
# question.
source "$(dirname "$0")/../support/gui_lib.sh"

ROOT='C:\Program Files\Vantrel Unconfirmed'
LOG='C:\VantrelLogs\unconfirmed.log'
make_demo_install "$ROOT" "$LOG"
perl -0777 -pi -e 's/P\x00R\x00O\x00M\x00P\x00T\x002\x00/P\x00R\x00O\x00M\x00P\x00T\x009\x00/' \
    "$(unix_path "$ROOT\\bin\\uninst.exe")"
start_program "$ROOT\\bin\\uninst.exe" "$LOG"
robot_must wait-page 1
press Return
expect_exit 0
expect_no_helper "$ROOT\\bin\\uninst.exe"
demo_untouched "$ROOT"
finish
