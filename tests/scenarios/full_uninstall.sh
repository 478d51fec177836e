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
# folders, and only the report, under a free name, is left in the temporary directory. The
# private folder, shut to users, goes at the next restart.
source "$(dirname "$0")/../support/gui.sh"

ROOT='C:\Program Files\Vantrel'
TEMP_DIR='C:\Temp Dir With Blanks'
make_demo_install "$ROOT" 'C:\VantrelLogs\install.log'
rm -rf "$(unix_path "$TEMP_DIR")"
mkdir -p "$(unix_path "$TEMP_DIR")"
TEMP_UNIX=$(unix_path "$TEMP_DIR") P="$DRIVE_C/Planted"
rm -rf "$P" && mkdir -p "$P" && cp -f "$ROBOT_EXE" "$P/program.exe" && echo mine >"$P/report.txt"
PLANTED="$TEMP_UNIX/uninstallvx.exe"  # the robot leaves "uninstallvx.exe.ran" if run as helper
ln -s ../Planted/program.exe "$PLANTED"
ln -s ../Planted/report.txt "$TEMP_UNIX/Vantrel removal report.txt"
ln -s ../Planted/nowhere.txt "$TEMP_UNIX/Vantrel removal report (2).txt"
clear_restart_schedule
cd "$(unix_path "$ROOT\\ bin  dir")"  # Wine starts the robot, and the program, in this folder
start --temp "$TEMP_DIR" "$ROOT\\ bin  dir\\uninst.exe" 'C:\VantrelLogs\install.log'
cd "$DRIVE_C/tests"
for page in 1 2 3; do
    robot expect "page=$page focus=ok"
    [ $page -lt 3 ] ||
        { expect_demo_removed "$ROOT"; robot expect "$TEMP_DIR\\Vantrel removal report (3).txt"; }
    [ $page -lt 3 ] && press Return || press alt+F4
done
expect_exit 0  # a question would have kept the program from ending
expect_helper_removes "$TEMP_DIR" "$ROOT\\ bin  dir\\uninst.exe" "$ROOT\\ bin  dir" "$ROOT"
check "the planted program is as it was" cmp -s "$ROBOT_EXE" "$P/program.exe"
check "the planted report is as it was, and nothing is where the third link points" \
    [ "$(cat "$P/report.txt")" = mine -a ! -e "$P/nowhere.txt" ]
check "the temporary directory holds the plants and the report (3) alone" \
    [ "$(cd "$TEMP_UNIX" && LC_ALL=C ls)" = "$(printf 'Vantrel removal report%s\n' ' (2).txt' \
        ' (3).txt' .txt && echo uninstallvx.exe)" ]
private=$("$WINE" reg query "${SCHEDULE[0]}" /v "${SCHEDULE[1]}" | grep -o 'Vantrel-[0-9a-f]*')
private="$DRIVE_C/windows/temp/${private%%$'\n'*}"
check "the restart is to remove the private folder: empty, shut to others" \
    [ -n "${private##*/}" -a -z "$(ls -A "$private")" -a "$(($(stat -c 0%a "$private") & 7))" = 0 ]
"$WINE" wineboot -r
check "the restart removed it" [ ! -e "$private" ]
reg_expect absent "${SCHEDULE[@]}"
finish
