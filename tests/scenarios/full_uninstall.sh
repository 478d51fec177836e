#!/usr/bin/env bash
# A user removes a whole Vantrel installation, the uninstaller living inside it, and answers
# every page with Enter as soon as it opens. The log lists the program's own directory with a
# trailing backslash before the directory above it, in folders with doubled and leading blanks,
# and has an entry that is only a tag; the temporary directory has blanks too. Every path still
# reaches the helper whole, and the helper's copy vanishes from that directory.
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
start --temp "$TEMP_DIR" "$ROOT\\ bin  dir\\uninst.exe" 'C:\VantrelLogs\install.log'
for page in 1 2 3; do
    robot expect "page=$page focus=ok"
    [ $page -lt 3 ] || expect_demo_removed "$ROOT"
    press Return
done
expect_exit 0
rm -f "$(unix_path 'C:\Temp.exe')"
expect_helper_removes "$TEMP_DIR" "$ROOT\\ bin  dir\\uninst.exe" "$ROOT\\ bin  dir" "$ROOT"
finish
