#!/usr/bin/env bash
# A user removes a whole Vantrel installation, the uninstaller living inside it, started with its
# own folder as the current directory (a shortcut's "Start in"), and answers every page with
# Enter as soon as it opens; on the completion page Alt+F4 (the title-bar X) finishes as OK does,
# asking nothing. The log lists the install folder before everything in it, and the program's
# own directory with a trailing backslash, in folders with doubled and leading blanks, and has an
# entry that is only a tag; the temporary directory has blanks too, and someone has planted a
# read-only "uninstallvx.exe" there that nobody can replace. The planted file never runs; the
# helper runs from a fresh name, removes the uninstaller and its folders, and leaves nothing
# behind in the temporary directory or for the next restart.
source "$(dirname "$0")/../support/gui.sh"

ROOT='C:\Program Files\Vantrel'
TEMP_DIR='C:\Temp Dir With Blanks'
make_demo_install "$ROOT" 'C:\VantrelLogs\install.log'
rm -rf "$(unix_path "$TEMP_DIR")"
mkdir -p "$(unix_path "$TEMP_DIR")"
# Given the copy's path without quotes, the system tries each stretch up to a blank as a program
# first: C:\Temp.exe would start instead of the copy. (Without this decoy Wine would quietly add
# the quotes itself.) The robot without commands just ends.
cp -f "$ROBOT_EXE" "$(unix_path 'C:\Temp.exe')"
# The plant: the robot, which leaves "uninstallvx.exe.ran" if it is ever run as the helper, held
# open by itself. (Wine as root ignores the missing write permission, not the open file.)
PLANTED="$(unix_path "$TEMP_DIR")/uninstallvx.exe"
cp -f "$ROBOT_EXE" "$PLANTED"
chmod a-w "$PLANTED"
hold "$TEMP_DIR\\uninstallvx.exe" "$TEMP_DIR\\uninstallvx.exe"
clear_restart_schedule
cd "$(unix_path "$ROOT\\ bin  dir")"  # Wine starts the robot, and the program, in this folder
start --temp "$TEMP_DIR" "$ROOT\\ bin  dir\\uninst.exe" 'C:\VantrelLogs\install.log'
cd "$DRIVE_C/tests"
for page in 1 2 3; do
    robot expect "page=$page focus=ok"
    [ $page -lt 3 ] || expect_demo_removed "$ROOT"
    [ $page -lt 3 ] && press Return || press alt+F4
done
expect_exit 0  # a question would have kept the program from ending
kill "$HOLDER_PID"
rm -f "$(unix_path 'C:\Temp.exe')"
expect_helper_removes "$TEMP_DIR" "$ROOT\\ bin  dir\\uninst.exe" "$ROOT\\ bin  dir" "$ROOT"
check "the planted file never ran, and is all the temporary directory holds beside the report" \
    [ "$(ls "$(unix_path "$TEMP_DIR")" | grep -v -i report)" = uninstallvx.exe ]
reg_expect absent "${SCHEDULE[@]}"
finish
