#!/usr/bin/env bash
# On the first two pages Cancel, Esc and closing the window (Alt+F4, as the title-bar X) ask "Do
# you want to stop uninstallation?": No keeps the page, Yes ends the program at once with code 0,
# having removed nothing and started no helper, so the program's own paths stay. A confirmation
# page that cannot be created ends the program the same way: nothing is removed unconfirmed.
source "$(dirname "$0")/../support/gui.sh"

ROOT='C:\Program Files\Vantrel Stop'
PROGRAM="$ROOT\\ bin  dir\\uninst.exe"
QUESTION='question=Uninstall|(icon)|&Yes|&No|Do you want to stop uninstallation?'
ask() {  # the keys that ask, then the key that answers
    press $1
    robot expect "$QUESTION"
    press $2
}
make_demo_install "$ROOT" 'C:\VantrelLogs\stop.log'
start "$PROGRAM" 'C:\VantrelLogs\stop.log'
robot expect 'page=1 focus=ok'
ask Escape n
robot expect 'question=none page=1 focus=ok'
ask alt+F4 n
robot expect 'question=none page=1 focus=ok'
ask 'Tab Return' n
robot expect 'question=none page=1 focus=cancel'
press Tab Return
robot expect 'page=2 focus=ok'
ask alt+F4 n
robot expect 'question=none page=2 focus=ok'
press Escape
robot expect "$QUESTION"
screenshot stop-question.png
press y
expect_exit 0
expect_no_helper "$PROGRAM"
expect_demo_untouched "$ROOT"

# This copy's confirmation page has lost its template.
perl -0777 -pi -e 's/P\0R\0O\0M\0P\0T\0002\0/P\0R\0O\0M\0P\0T\0009\0/' "$(unix_path "$PROGRAM")"
start "$PROGRAM" 'C:\VantrelLogs\stop.log'
robot expect 'page=1 focus=ok'
press Return
expect_exit 0
expect_no_helper "$PROGRAM"
expect_demo_untouched "$ROOT"
finish
