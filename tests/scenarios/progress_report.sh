#!/usr/bin/env bash
# What the user sees of the removal and after it. A log of thousands of entries shows the removal
# page with its count moving, and the window answers all along; a running program's file goes at
# the restart, the completion page says so, and OK offers to restart Windows now. Windows may
# not end the session while the entries are removed, and may again once they are. A folder that
# holds a file of the user's stays for the user: the removal is complete, the page says where it
# stays, and the report, in the next free name as the first is never overwritten, lists it.
# Without a log the page says that nothing was removed, and no report is written.
# GUI_SHOTS=docs renews the README's pictures.
source "$(dirname "$0")/../support/gui.sh"

W='C:\Vantrel Watch'
TEMP_DIR='C:\Temp Watch'
REPORT="$TEMP_DIR\\Vantrel removal report.txt"
WATCH_OUT="$UNINSTALL_BUILD/wine-state/watch.out"
rm -rf "$(unix_path "$W")" "$(unix_path "$TEMP_DIR")" "$(unix_path 'C:\Vantrel Kept')"
mkdir -p "$(unix_path "$TEMP_DIR")" "$(unix_path "$W\\many")"
install_program "$W\\uninst.exe"
to_completion() {  # log, or none: the program up to its completion page
    start --temp "$TEMP_DIR" "$W\\uninst.exe" "$@"
    robot expect 'page=1 focus=ok'
    press Return
    robot expect 'page=2 focus=ok'
}
report_is() {  # the report's lines after its UTF-8 mark, each kept entry's reason cut to its code
    check "the report: $*" [ "$(tr -d '\r' <"$(unix_path "$REPORT")" | sed '1s/^\xEF\xBB\xBF//' |
        sed -E 's/^(kept\t[^\t]*\t).*\(([0-9]+)\) \(.*$/\1\2/')" = "$(printf '%s\n' "$@")" ]
}

# Long enough a removal for the picture, when one is taken.
N=$([ -z "${GUI_SHOTS:-}" ] && echo 6000 || echo 40000)
(cd "$(unix_path "$W\\many")" && seq -f 'f%.0f.dat' "$N" | xargs touch && cp "$ROBOT_EXE" busy.exe)
for i in $(seq "$N"); do printf 'file:%s\\many\\f%d.dat\r\n' "$W" "$i"; done >"$DRIVE_C/many.log"
printf 'file:%s\\many\\busy.exe\r\ndir:%s\\many\r\n' "$W" "$W" >>"$DRIVE_C/many.log"
clear_restart_schedule
hold "$W\\many\\busy.exe" 'C:\tests\robot.exe'
to_completion 'C:\many.log'
"$WINE" 'C:\tests\robot.exe' watch 200 >"$WATCH_OUT" 2>&1 &
watcher=$!
for _ in $(seq 100); do grep -q watching "$WATCH_OUT" && break; sleep 0.1; done
press Return
[ -z "${GUI_SHOTS:-}" ] || { robot expect page=4; screenshot page-removal.png; }
wait "$watcher" && watched=0 || watched=$?
check "the removal page: $(tr -d '\r' <"$WATCH_OUT" | tail -1)" [ "$watched" -eq 0 ]
robot expect "page=3 focus=ok texts=OK||A restart of Windows finishes the removal of Vantrel: \
1 item in use will be removed then.|They are listed in the report $REPORT"
robot ends yes
expect_gone "$W\\many"
# The program that holds it has no window to be asked to close: it runs on.
report_is $'still running\t'"$W\\many\\busy.exe"$'\tno answer' \
    $'at restart\t'"$W\\many\\busy.exe" \
    $'totals\tremoved '$((N + 1))$'\talready absent 0\tat restart 1\tkept 0\tnot listed 0'\
$'\tyour files 0'
# OK asks whether to restart now; No, the default, ends with the moved file still waiting for it.
RESTART='question=Uninstall|(icon)|&Yes|&No|Do you want to restart Windows now to finish the '\
'removal of Vantrel?'
moved() { "$WINE" reg query "${SCHEDULE[0]}" /v "${SCHEDULE[1]}" | grep -o 'Vantrel-[0-9a-f]*' |
    sort -u | sed "s|^|$DRIVE_C/windows/temp/|"; }
press Return
robot expect "$RESTART"
screenshot restart-question.png
press Return
expect_exit 0
check "No leaves the moved file to the restart" [ -d "$(moved)" ]
# Yes restarts Windows, once the holders have ended: the restart removes what waited for it.
cp -f "$ROBOT_EXE" "$(unix_path "$W\\busy2.exe")" && holders=$HOLDER_PID
hold "$W\\busy2.exe" 'C:\tests\robot.exe'
write_file 'C:\busy.log' "file:$W\\busy2.exe"
to_completion 'C:\busy.log'
press Return
robot expect 'page=3 focus=ok'
waiting=$(moved)
press Return
robot expect "$RESTART"
kill $holders "$HOLDER_PID"
press y
expect_exit 0
for _ in $(seq 50); do [ -n "$(ls -d $waiting 2>/dev/null)" ] || break; sleep 0.2; done
check "the restart removed the moved files" [ -z "$(ls -d $waiting 2>/dev/null)" ]
reg_expect absent "${SCHEDULE[@]}"

K='C:\Vantrel Kept'
write_file "$K\\data\\app.dat" x
write_file "$K\\data\\mine.txt" x
write_file 'C:\kept.log' "file:$K\\data\\app.dat" "file:$K\\gone.txt" "dir:$K\\data"
to_completion 'C:\kept.log'
press Return
REPORT="$TEMP_DIR\\Vantrel removal report (3).txt"
robot expect "page=3 focus=ok texts=OK|The removal of Vantrel is complete.|Your own files and \
settings stay in $K\\data.|They are listed in the report $REPORT"
screenshot page3-your-files.png
expect_gone "$K\\data\\app.dat"
expect_there "$K\\data\\mine.txt"
report_is $'already absent\t'"$K\\gone.txt" $'your files\t'"$K\\data"$'\tmine.txt' \
    $'totals\tremoved 1\talready absent 1\tat restart 0\tkept 0\tnot listed 0\tyour files 1'
press Return
expect_exit 0

to_completion
press Return
robot expect "page=3 focus=ok texts=OK||Nothing was removed: this program was started without \
an install log.|Click on OK to finish this program"
check "no report without a log" [ ! -e "$(unix_path "${REPORT/(3)/(4)}")" ]
press Return
expect_exit 0
finish
