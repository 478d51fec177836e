#!/usr/bin/env bash
# The 32-bit program on 64-bit Windows asks for System32 and reaches SysWOW64. A running
# program's file it removes there is moved aside like any other and gone after the restart; the
# 64-bit file of the same name, which the restart would find by the asked name, stays.
source "$(dirname "$0")/../support/gui.sh"
needs_32bit

R='C:\Vantrel Wow64'
NAME=vantrel-held.exe
rm -rf "$(unix_path "$R")"
install_program "$R\\uninst.exe"
write_file "C:\\windows\\system32\\$NAME" 64-bit
cp -f "$ROBOT_EXE" "$(unix_path "C:\\windows\\syswow64\\$NAME")"
write_file 'C:\VantrelLogs\wow64.log' "file:C:\\Windows\\System32\\$NAME"
hold "C:\\windows\\syswow64\\$NAME" 'C:\tests\robot.exe'
start "$R\\uninst.exe" /S 'C:\VantrelLogs\wow64.log'
expect_exit 3010
kill "$HOLDER_PID" && wait "$HOLDER_PID" 2>/dev/null
check "the restart schedule names only the private folder" \
    [ -z "$("$WINE" reg query "${SCHEDULE[0]}" /v "${SCHEDULE[1]}" | grep -i 'system32\|syswow64')" ]
"$WINE" wineboot -r
expect_gone "C:\\windows\\syswow64\\$NAME"
check "the 64-bit file stays as it was" \
    [ "$(tr -d '\r' <"$(unix_path "C:\\windows\\system32\\$NAME")")" = 64-bit ]
reg_expect absent "${SCHEDULE[@]}"
rm -f "$(unix_path "C:\\windows\\system32\\$NAME")"
finish
