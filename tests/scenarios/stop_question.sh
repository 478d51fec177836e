#!/usr/bin/env bash
# Cancel, Esc and closing the window ask "Do you want to stop uninstallation?": No keeps the
# page, Yes ends the program at once with code 0, removing nothing further and starting no
# helper, so the program's own paths stay.
source "$(dirname "$0")/../support/gui.sh"

ROOT='C:\Program Files\Vantrel Stop'
QUESTION='question=Uninstall|(icon)|&Yes|&No|Do you want to stop uninstallation?'
ask() {  # the keys that ask, then the key that answers
    press $1
    robot expect "$QUESTION"
    press $2
}
make_demo_install "$ROOT" 'C:\VantrelLogs\stop.log'
start "$ROOT\\ bin  dir\\uninst.exe" 'C:\VantrelLogs\stop.log'
robot expect 'page=1 focus=ok'
ask Escape n
robot expect 'question=none page=1 focus=ok'
ask 'Tab Return' n
robot expect 'question=none page=1 focus=cancel'
press Tab Return
robot expect 'page=2 focus=ok'
press Escape
robot expect "$QUESTION"
screenshot stop-question.png
press y
expect_exit 0
expect_no_helper "$ROOT\\ bin  dir\\uninst.exe"
expect_demo_untouched "$ROOT"

# Closing the main window on the completion page asks too; Yes ends the program before it hands
# its own paths to the helper.
make_demo_install "$ROOT" 'C:\VantrelLogs\stop.log'
start "$ROOT\\ bin  dir\\uninst.exe" 'C:\VantrelLogs\stop.log'
for page in 1 2; do
    robot expect "page=$page focus=ok"
    press Return
done
robot expect 'page=3 focus=ok'
expect_demo_removed "$ROOT"
ask alt+F4 n
robot expect 'question=none page=3 focus=ok'
ask alt+F4 y
expect_exit 0
expect_no_helper "$ROOT\\ bin  dir\\uninst.exe" "$ROOT"
finish
