#!/usr/bin/env bash
# A user removes a whole Vantrel installation, the uninstaller living inside it, started with its
# own folder as the current directory (a shortcut's "Start in"), and answers every page with
# Enter as soon as it opens; on the completion page Alt+F4 (the title-bar X) finishes as OK does,
# asking nothing. The log lists the install folder before everything in it, and the program's
# own directory with a trailing backslash, in folders with doubled and leading blanks, and has an
# entry that is only a tag. The temporary directory has blanks too, and someone has planted links
# there at the names the program once wrote by: at the copy's, to a program; at the report's, to
# a file; at the report's next name, to nowhere. Both files stay as they were and nothing appears
# at the third; the helper runs from the run's private folder, removes the uninstaller and its
# folders, and only the report, under a free name, is left in the temporary directory. The helper
# takes the run's private folder away as it ends: nothing is left for the restart. While the first
# page is open, a user who may rename in the program's folder tries to swap the running program
# for another by the system's own rename: the program holds its file, and no other program runs
# as its helper.
source "$(dirname "$0")/../support/gui.sh"

ROOT='C:\Program Files\Vantrel'
BIN="$ROOT\\ bin  dir"
KEY='HKCU\Software\Kestova\Vantrel' MACHINE_KEY='HKLM\Software\Kestova\Vantrel'
TEMP_DIR='C:\Temp Dir With Blanks'
# The installation as its installer leaves it: the program in a folder of its own, files, an empty
# directory, a tree with an empty folder in it, a shortcut, a folder of the user's, and the
# product's registry values and keys beside another program's.
rm -rf "$(unix_path "$ROOT")" "$(unix_path 'C:\VantrelData')" "$(unix_path "$TEMP_DIR")"
install_program "$BIN\\uninst.exe"
for path in readme.txt docs\\guide.txt samples\\a.txt samples\\sub\\deeper\\c.txt; do
    write_file "$ROOT\\$path" x
done
mkdir -p "$(unix_path "$ROOT\\empty")" "$(unix_path "$ROOT\\samples\\hollow")"
write_file 'C:\users\Public\Desktop\Vantrel.lnk' x
write_file 'C:\VantrelData\settings\user.cfg' x
reg delete 'HKCU\Software\Kestova' /f
reg delete 'HKLM\Software\Kestova' /f
for value in "$KEY /v InstallDir" "$KEY\\Settings /v Theme" "$MACHINE_KEY /v Path" \
    "$MACHINE_KEY /v Shared" 'HKCU\Software\Kestova\Other /v Keep'; do
    reg add $value /d x /f
done
# The log: the install folder first, an entry that is only a tag, the program's own directory
# with a trailing backslash, a tree as one entry, the user's folder as the product's, a value,
# a key, and the same key again under the long name of its root.
write_file 'C:\VantrelLogs\install.log' "dir:$ROOT" 'file:' "file:$BIN\\uninst.exe" \
    "file:$ROOT\\readme.txt" "file:$ROOT\\docs\\guide.txt" "dir:$ROOT\\docs" "dir:$ROOT\\empty" \
    "dirw:$ROOT\\samples" "dir:$BIN\\" 'link:C:\users\Public\Desktop\Vantrel.lnk' \
    'dir:C:\VantrelData\settings' "key:$KEY\\InstallDir" "key:$KEY\\Settings\\" \
    'key:HKEY_CURRENT_USER\Software\Kestova\Vantrel\' "key:$MACHINE_KEY\\Path"
mkdir -p "$(unix_path "$TEMP_DIR")"
TEMP_UNIX=$(unix_path "$TEMP_DIR") P="$DRIVE_C/Planted"
rm -rf "$P" && mkdir -p "$P" && cp -f "$ROBOT_EXE" "$P/program.exe" && echo mine >"$P/report.txt"
PLANTED="$TEMP_UNIX/uninstallvx.exe"  # the robot leaves "uninstallvx.exe.ran" if run as helper
ln -s ../Planted/program.exe "$PLANTED"
ln -s ../Planted/report.txt "$TEMP_UNIX/Vantrel removal report.txt"
ln -s ../Planted/nowhere.txt "$TEMP_UNIX/Vantrel removal report (2).txt"
clear_restart_schedule
keep_server
cd "$(unix_path "$BIN")"  # Wine starts the robot, and the program, in this folder
start --temp "$TEMP_DIR" "$BIN\\uninst.exe" 'C:\VantrelLogs\install.log'
cd "$DRIVE_C/tests"
robot expect 'page=1 focus=ok'
swap=$("$WINE" 'C:\tests\robot.exe' rename "$BIN\\uninst.exe" "$BIN\\old.exe" | tr -d '\r')
[ "$swap" != renamed ] || cp -f "$ROBOT_EXE" "$(unix_path "$BIN\\uninst.exe")"
check "the running program cannot be renamed: $swap" [ "${swap% *}" = refused ]
for page in 1 2; do robot expect "page=$page focus=ok"; press Return; done
robot expect 'page=3 focus=ok' expect "$TEMP_DIR\\Vantrel removal report (3).txt"
# While the completion page is open, the wizard has removed the files, a directory after its
# file, the empty directory, the tree with all in it, and the shortcut;
expect_gone "$ROOT\\readme.txt" "$ROOT\\docs" "$ROOT\\empty" "$ROOT\\samples" \
    'C:\users\Public\Desktop\Vantrel.lnk'
# the product's user key whole, and its machine value;
reg_expect absent "$KEY"
reg_expect absent "$MACHINE_KEY" Path
# the program's own file waits for the helper;
expect_there "$BIN\\uninst.exe"
# a folder that holds the user's file stays for the user;
expect_there 'C:\VantrelData\settings\user.cfg'
# a value the log does not list stays, and so does another program's key beside the product's.
reg_expect present "$MACHINE_KEY" Shared
reg_expect present 'HKCU\Software\Kestova\Other' Keep
press alt+F4
expect_exit 0  # a question would have kept the program from ending
# The helper removes the program, its folder and the install folder, emptied by the wizard.
expect_helper_removes "$TEMP_DIR" "$BIN\\uninst.exe" "$BIN" "$ROOT"
check "the planted program is as it was" cmp -s "$ROBOT_EXE" "$P/program.exe"
check "no substitute ran" [ -z "$(find "$DRIVE_C" -name '*.ran' -newer "$P/report.txt")" ]
check "the planted report is as it was, and nothing is where the third link points" \
    [ "$(cat "$P/report.txt")" = mine -a ! -e "$P/nowhere.txt" ]
check "the temporary directory holds the plants and the report (3) alone" \
    [ "$(cd "$TEMP_UNIX" && LC_ALL=C ls)" = "$(printf 'Vantrel removal report%s\n' ' (2).txt' \
        ' (3).txt' .txt && echo uninstallvx.exe)" ]
expect_nothing_for_restart
finish
