#!/usr/bin/env bash
# An administrator's /LOG= into the system folder, as a deployment agent running as the system
# passes its own temporary folder there: the 32-bit program is shown SysWOW64 by that name, and
# writes the report there. (Over the one it wrote, as on Windows, Wine cannot show: it makes every
# file the user's, and a file of the user's is refused.)
source "$(dirname "$0")/../support/gui.sh"
needs_32bit

R='C:\Vantrel Wow64'
TEMP_32="windows/syswow64/config/systemprofile/AppData/Local/Temp"  # as the 32-bit view has it
REPORT='C:\Windows\System32\config\systemprofile\AppData\Local\Temp\Vantrel removal.txt'
rm -rf "$(unix_path "$R")" "$DRIVE_C/$TEMP_32/Vantrel removal.txt"
mkdir -p "$DRIVE_C/$TEMP_32"
install_program "$R\\uninst.exe"
write_file "$R\\a.txt" x
write_file 'C:\VantrelLogs\wow64.log' "file:$R\\a.txt"
start "$R\\uninst.exe" /S "/LOG=$REPORT" 'C:\VantrelLogs\wow64.log'
expect_exit 0
check "the report is in SysWOW64" grep -q totals "$DRIVE_C/$TEMP_32/Vantrel removal.txt"
expect_gone "$R\\a.txt"
finish
