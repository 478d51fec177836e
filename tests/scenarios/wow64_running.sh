#!/usr/bin/env bash
# The 32-bit program on 64-bit Windows reaches SysWOW64 by the name System32, and knows a running
# program by the file it really is. A 64-bit program in the real System32, of the name the log
# lists under System32, is none of the product's: it runs on, never asked, while the SysWOW64
# file goes. A program of the product's run from the real System32, which the log names through
# Sysnative, is found, asked to close, and its file goes.
source "$(dirname "$0")/../support/gui.sh"
needs_32bit
# The test command builds the tray program for 64-bit Windows too, and names it.
[ -n "${UNINSTALL_TRAY64:-}" ] || { echo "skipped: UNINSTALL_TRAY64 is not set"; exit 77; }

R='C:\Vantrel Wow64 Running' S='C:\windows\system32' REPORT='C:\VantrelLogs\wow64 running.txt'
install_program "$R\\uninst.exe"
write_file 'C:\windows\syswow64\vantrel-wow.exe' 32-bit
write_file 'C:\VantrelLogs\wow64-running.log' "file:$S\\vantrel-wow.exe" \
    'file:C:\Windows\Sysnative\vantrel-native.exe'
declare -A PIDS
runs() { ps -o stat= -p "${PIDS[$1]}" | grep -q '^[^Z]'; }
for name in wow native; do
    cp -f "$UNINSTALL_TRAY64" "$(unix_path "$S\\vantrel-$name.exe")"
    rm -f "$DRIVE_C/tests/$name.mark"
    /usr/lib/wine/wine64 "$S\\vantrel-$name.exe" "C:\\tests\\$name.mark" \
        >"$UNINSTALL_BUILD/wine-state/$name.out" 2>&1 &
    PIDS[$name]=$!
done
for name in wow native; do  # each runs once it says so
    for _ in $(seq 100); do grep -qs running "$UNINSTALL_BUILD/wine-state/$name.out" && break
        sleep 0.2; done
done
start "$R\\uninst.exe" /S /FORCECLOSEAPPLICATIONS "/LOG=$REPORT" 'C:\VantrelLogs\wow64-running.log'
expect_exit 0
check "the 64-bit program of the listed name runs on" runs wow
check "it was not asked to close" [ ! -e "$DRIVE_C/tests/wow.mark" ]
check "the product's program closed when asked" [ -e "$DRIVE_C/tests/native.mark" ]
check "the report: closed, from the real System32" \
    grep -qiF "$(printf 'closed\t%s\\vantrel-native.exe\r' "$S")" "$(unix_path "$REPORT")"
expect_gone 'C:\windows\syswow64\vantrel-wow.exe' "$S\\vantrel-native.exe"
expect_there "$S\\vantrel-wow.exe"
kill "${PIDS[wow]}" && wait "${PIDS[wow]}" 2>/dev/null
rm -f "$(unix_path "$S\\vantrel-wow.exe")"
finish
