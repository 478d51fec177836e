#!/usr/bin/env bash
# Helper mode ("-U" as well as "-u"), with paths and with nothing to remove. (A run without a log
# is in stop_question.sh, with the other runs that remove nothing.)
source "$(dirname "$0")/../support/gui.sh"

# "-U" in upper case: helper mode. No window opens; whatever the order given, files go before the
# directories above them, so a directory listed before its file goes too. A file held open for
# good (a scanner that does not let go) is retried for a bounded time; it and a directory that
# is not empty stay: their folder lets users change the path before a restart could act on it.
H='C:\Helper Mode'
rm -rf "$(unix_path "$H")"
install_program "$H\\uninst.exe"
for path in a.txt full\\inside.txt early\\later.txt held.txt; do write_file "$H\\$path" x; done
mkdir -p "$(unix_path "$H\\empty")" "$(unix_path "$H\\slash")"
clear_restart_schedule
hold 'C:\tests\robot.exe' "$H\\held.txt"
start "$H\\uninst.exe" -U "$H\\a.txt" "$H\\empty" "$H\\full" "$H\\slash\\" "$H\\missing.txt" \
    "$H\\early" "$H\\early\\later.txt" "$H\\held.txt"
expect_exit 0
kill "$HOLDER_PID"
took=$(sed -n 's/^exit code .* after \([0-9]*\) ms.*/\1/p' "$RUN_OUT")
check "retried for $took ms" [ "$took" -ge 5000 -a "$took" -lt 15000 ]
expect_gone "$H\\a.txt" "$H\\empty" "$H\\slash" "$H\\early"
expect_there "$H\\full\\inside.txt" "$H\\held.txt"
reg_expect absent "${SCHEDULE[@]}"

# "-u" and nothing else: no uninstaller to wait for, nothing to remove; ends with code 0.
start "$H\\uninst.exe" -u
expect_exit 0
finish
