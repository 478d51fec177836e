#!/usr/bin/env bash
# Nothing is removed unless the user confirms with a log given. On the first two pages Cancel, Esc
# and closing the window (Alt+F4, as the title-bar X) ask "Do you want to stop uninstallation?":
# No keeps the page, Yes ends the program at once with code 0, having removed nothing and started
# no helper, so the program's own paths stay. A confirmation page that cannot be created ends the
# program the same way, and so does a run without a log, after all three pages. One run at a time.
source "$(dirname "$0")/../support/gui.sh"

ROOT='C:\Program Files\Vantrel Stop'
PROGRAM="$ROOT\\bin\\uninst.exe" LINK='C:\users\Public\Desktop\Vantrel Stop.lnk'
KEY='HKCU\Software\Kestova\Vantrel Stop' MACHINE_KEY='HKLM\Software\Kestova\Vantrel Stop'
# An installation with one of each kind the log lists: the program and its folders, a file, an
# empty directory, a tree, a shortcut, a value of the user's and one of the machine's.
rm -rf "$(unix_path "$ROOT")"
install_program "$PROGRAM"
for path in "$ROOT\\readme.txt" "$ROOT\\tree\\sub\\c.txt" "$LINK"; do write_file "$path" x; done
mkdir -p "$(unix_path "$ROOT\\empty")"
reg add "$KEY" /v InstallDir /d x /f
reg add "$MACHINE_KEY" /v Path /d x /f
write_file 'C:\VantrelLogs\stop.log' "file:$PROGRAM" "file:$ROOT\\readme.txt" "dir:$ROOT\\empty" \
    "dirw:$ROOT\\tree" "link:$LINK" "key:$KEY\\" "key:$MACHINE_KEY\\Path" "dir:$ROOT\\bin\\" \
    "dir:$ROOT"
QUESTION='question=Uninstall|(icon)|&Yes|&No|Do you want to stop uninstallation?'
ask() {  # the keys that ask; the page and focus that No leaves
    press $1
    robot expect "$QUESTION"
    press n
    robot expect "question=none $2"
}
stopped() {  # the program ends having started no helper for its own file, and all of it stays
    expect_exit 0; expect_no_helper "$PROGRAM"
    expect_there "$ROOT\\readme.txt" "$ROOT\\empty" "$ROOT\\tree\\sub\\c.txt" "$LINK"
    reg_expect present "$KEY" InstallDir; reg_expect present "$MACHINE_KEY" Path
}
start "$PROGRAM" 'C:\VantrelLogs\stop.log'
robot expect 'page=1 focus=ok'
# One run at a time: while this one waits, a second /S run ends with 1618, and a second wizard
# says in a box that the removal is in progress and ends with 0; neither removes anything.
SECOND_OUT="$UNINSTALL_BUILD/wine-state/second.out"
second() {
    "$WINE" 'C:\tests\robot.exe' run "$PROGRAM" "$@" 'C:\VantrelLogs\stop.log' >"$SECOND_OUT"
}
second /S
check "a second /S run: $(cat "$SECOND_OUT")" grep -q '^exit code 1618 ' "$SECOND_OUT"
second &
robot expect 'question=Uninstall|(icon)|OK|The removal of Vantrel is already in progress.'
press Return
wait $!
check "a second wizard: $(cat "$SECOND_OUT")" grep -q '^exit code 0 ' "$SECOND_OUT"
ask Escape 'page=1 focus=ok'
ask alt+F4 'page=1 focus=ok'
ask 'Tab Return' 'page=1 focus=cancel'
press Tab Return
robot expect 'page=2 focus=ok'
ask alt+F4 'page=2 focus=ok'
press Escape
robot expect "$QUESTION"
screenshot stop-question.png
press y
stopped

# Without arguments: all three pages, and nothing is removed.
start "$PROGRAM"
walk_through
stopped

# This copy's confirmation page has lost its template.
perl -0777 -pi -e 's/P\0R\0O\0M\0P\0T\0002\0/P\0R\0O\0M\0P\0T\0009\0/' "$(unix_path "$PROGRAM")"
start "$PROGRAM" 'C:\VantrelLogs\stop.log'
robot expect 'page=1 focus=ok'
press Return
stopped
finish
