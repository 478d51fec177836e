#!/usr/bin/env bash
# An administrator's unattended removal: /S shows no window and no message box at all, does what
# the wizard does after Continue (the helper included), and tells the outcome by its exit code;
# /LOG= puts the report where it is asked. Every run is watched on the display.
source "$(dirname "$0")/../support/gui.sh"

R='C:\Vantrel Silent'
PROGRAM="$R\\bin\\uninst.exe"
windows() { xdotool search --onlyvisible --name '' 2>/dev/null | sort; }  # those mapped now
silent() {  # exit code wanted, then the arguments after the program
    local before=$(windows) seen="$UNINSTALL_BUILD/wine-state/seen.out"
    start "$PROGRAM" "${@:2}"
    while kill -0 "$PROGRAM_PID" 2>/dev/null; do windows; sleep 0.05; done | sort -u >"$seen"
    expect_exit "$1"
    check "no window appeared during ${*:2}" [ -z "$(comm -13 <(echo "$before") "$seen")" ]
}
rm -rf "$(unix_path "$R")"
install_program "$PROGRAM"
for file in readme.txt tree\\sub\\a.txt data\\user.cfg held.dll once.txt; do write_file "$R\\$file" x; done
reg add 'HKCU\Software\Kestova\Silent' /v Path /d x /f
reg add 'HKCU\Software\Kestova\Silent User\Mine' /v Theme /d x /f
write_file 'C:\VantrelLogs\clean.log' "dir:$R" "file:$R\\readme.txt" "dirw:$R\\tree" "file:$PROGRAM" "dir:$R\\bin" \
    'key:HKCU\Software\Kestova\Silent\'
write_file 'C:\VantrelLogs\yours.log' "dir:$R\\data" 'key:HKCU\Software\Kestova\Silent User\'
for log in 'kept file data' 'held file held.dll' 'once file once.txt'; do
    read -r name tag file <<<"$log" && write_file "C:\\VantrelLogs\\$name.log" "$tag:$R\\$file"
done

# Nothing is done: no log, a missing log, an argument not understood; /? lists the switches in a
# box that /S does not show.
silent 2 /S
silent 2 -s 'C:\VantrelLogs\missing.log'
silent 87 /S /X 'C:\VantrelLogs\once.log'
silent 87 /S 'C:\VantrelLogs\once.log' extra
silent 0 /s /? 'C:\VantrelLogs\once.log'
expect_there "$R\\once.txt" "$R\\readme.txt"

# A folder and a key that hold only the user's own file and settings: kept for the user, and the
# removal is complete; the report says what each holds.
silent 0 /S '/LOG=C:\VantrelLogs\yours report.txt' 'C:\VantrelLogs\yours.log'
reg_expect present 'HKCU\Software\Kestova\Silent User\Mine' Theme
check "the report lists the user's folder and key with what they hold" [ "$(tr -d '\r' \
    <"$(unix_path 'C:\VantrelLogs\yours report.txt')" | cut -f1,3)" = "$(printf '%s\t%s\n' \
    'your files' user.cfg 'your settings' Mine totals 'already absent 0')" ]
# Something of the product that stays: items are left, and the report says which and why.
silent 1603 /S '/LOG=C:\VantrelLogs\kept report.txt' 'C:\VantrelLogs\kept.log'
expect_there "$R\\data\\user.cfg"
check "the report names the kept folder and why" \
    grep -q "$(printf '%s' "$R\\data" | sed 's/\\/\\\\/g').*(5)" "$(unix_path 'C:\VantrelLogs\kept report.txt')"
# A report that cannot be written where it is asked: 1603, after the removal all the same.
silent 1603 /S '/LOG=C:\No Such Folder\report.txt' 'C:\VantrelLogs\once.log'
expect_gone "$R\\once.txt"
# A file in use: a restart finishes the removal.
hold 'C:\tests\robot.exe' "$R\\held.dll"
silent 3010 /S 'C:\VantrelLogs\held.log'
kill "$HOLDER_PID"
check "the restart schedule holds the file in use" \
    grep -qi 'held.dll' <("$WINE" reg query "${SCHEDULE[0]}" /v "${SCHEDULE[1]}")
clear_restart_schedule
# Everything removed: 0, and the helper takes the program and its folders.
rm -rf "$(unix_path "$R\\data")" "$(unix_path "$R\\held.dll")"
silent 0 /S 'C:\VantrelLogs\clean.log'
reg_expect absent 'HKCU\Software\Kestova\Silent'
expect_helper_removes '' "$R\\readme.txt" "$R\\tree" "$PROGRAM" "$R\\bin" "$R"
finish
