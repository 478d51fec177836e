#!/usr/bin/env bash
# An administrator's unattended removal: /S shows no window and no message box at all, does what
# the wizard does after Continue (the helper included), and tells the outcome by its exit code;
# /LOG= puts the report where it is asked. /SILENT and /PASSIVE show the removal page alone and
# ask nothing. Every run is watched on the display. GUI_SHOTS=docs renews the README's pictures
# of /SILENT, and of the removal page at 200%.
source "$(dirname "$0")/../support/gui.sh"

R='C:\Vantrel Silent'
PROGRAM="$R\\bin\\uninst.exe"
windows() { xdotool search --onlyvisible --name '' 2>/dev/null | sort; }  # those mapped now
silent() {  # exit code wanted, then the arguments after the program; SHOWN=1: its one window
    local before=$(windows) seen="$UNINSTALL_BUILD/wine-state/seen.out"
    start "$PROGRAM" "${@:2}"
    while kill -0 "$PROGRAM_PID" 2>/dev/null; do windows; sleep 0.05; done | sort -u >"$seen"
    expect_exit "$1"
    check "${SHOWN:-no} window appeared during ${*:2}" \
        [ "$(comm -13 <(echo "$before") "$seen" | grep -c .)" -eq "${SHOWN:-0}" ]
}
watching() {  # robot command: it runs in the background, and has begun to watch
    "$WINE" 'C:\tests\robot.exe' "$@" >"$RUN_OUT.$1" &
    watcher=$!
    for _ in $(seq $((100 * FACTOR))); do grep -qs watching "$RUN_OUT.$1" && break; sleep 0.1; done
}
# A log of many files, long enough a removal for the window to be watched (and its picture taken).
N=$([ -z "${GUI_SHOTS:-}" ] && echo 4000 || echo 20000)
many() {
    mkdir -p "$(unix_path "$R\\many")" && (cd "$(unix_path "$R\\many")" && seq "$N" | xargs touch)
}
# Reports of an earlier run would be files that were there already.
rm -rf "$(unix_path "$R")" "$(unix_path 'C:\VantrelLogs')"
install_program "$PROGRAM"
for file in readme.txt tree\\sub\\a.txt data\\user.cfg once.txt; do write_file "$R\\$file" x; done
reg add 'HKCU\Software\Kestova\Silent' /v Path /d x /f
reg add 'HKCU\Software\Kestova\Silent User\Mine' /v Theme /d x /f
write_file 'C:\VantrelLogs\yours.log' "dir:$R\\data" 'key:HKCU\Software\Kestova\Silent User\'
# The product's folder as one tree: everything in it goes now, the program and its folders after;
# the log names the program in the \\?\ form and its folder by the short name too.
short=$("$WINE" cmd /c 'dir /x C:\' | tr -d '\r' |
    sed -n 's/.*<DIR> *\([^ ]*\) *Vantrel Silent$/\1/p')
write_file 'C:\VantrelLogs\clean.log' "file:\\\\?\\$PROGRAM" "dir:C:\\$short\\bin" "dirw:$R" \
    'key:HKCU\Software\Kestova\Silent\'
for log in 'kept file data' 'held file held.exe' 'once file once.txt'; do
    read -r name tag file <<<"$log" && write_file "C:\\VantrelLogs\\$name.log" "$tag:$R\\$file"
done

# Nothing is done: no log, a log that is not there (not installed), an argument not understood;
# /? lists the switches in a box that /S does not show.
silent 87 /S
silent 1605 -s 'C:\VantrelLogs\missing.log'
silent 87 /S /X 'C:\VantrelLogs\once.log'
silent 87 /S 'C:\VantrelLogs\once.log' extra
silent 0 /s /? 'C:\VantrelLogs\once.log'
expect_there "$R\\once.txt" "$R\\readme.txt"

# A folder and a key that hold only the user's own file and settings: kept for the user, and the
# removal is complete; the report says what each holds.
silent 0 /S '/LOG=C:\VantrelLogs\yours report.txt' 'C:\VantrelLogs\yours.log'
reg_expect present 'HKCU\Software\Kestova\Silent User\Mine' Theme
check "the report lists the user's folder and key with what they hold" [ "$(tr -d '\r\357\273\277' \
    <"$(unix_path 'C:\VantrelLogs\yours report.txt')" | cut -f1,3)" = "$(printf '%s\t%s\n' \
    'your files' user.cfg 'your settings' Mine totals 'already absent 0')" ]
# Something of the product that stays: items are left, and the report says which and why.
silent 1603 /S '/LOG=C:\VantrelLogs\kept report.txt' 'C:\VantrelLogs\kept.log'
expect_there "$R\\data\\user.cfg"
check "the report names the kept folder and why" \
    grep -q "$(printf '%s' "$R\\data" | sed 's/\\/\\\\/g').*(5)" \
    "$(unix_path 'C:\VantrelLogs\kept report.txt')"
# Every spelling of "no window" that deployment tools pass, with the switches taken as they are:
# removed, 0. /LOG alone writes the report to its usual place.
REPORTS=("$DRIVE_C"/users/*/Temp)
for switches in -verysilent /Quiet /qn '/S /SUPPRESSMSGBOXES /NORESTART /SP- /LOG'; do
    write_file "$R\\once.txt" x && rm -f "$REPORTS"/Vantrel\ removal\ report*
    silent 0 $switches 'C:\VantrelLogs\once.log'
    expect_gone "$R\\once.txt"
done
check "/LOG alone wrote the report in the temporary folder" \
    [ -f "$REPORTS/Vantrel removal report.txt" ]
# /SILENT and /PASSIVE: the removal page alone, its bar moving and the window answering all
# along; no question, no box, no completion page: the run ends by itself, with no key pressed.
# /PASSIVE runs at 200% (Wine's LogPixels), where the program takes the system's DPI.
seq -f "file:$R\\many\\%.0f" "$N" | sed 's/$/\r/' >"$(unix_path 'C:\VantrelLogs\many.log')"
for run in silent-removal.png/96/SILENT removal-200-percent.png/192/PASSIVE; do
    IFS=/ read -r picture dpi switch <<<"$run"
    many
    reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f
    watching watch 1000
    [ -z "${GUI_SHOTS:-}" ] || (robot expect page=4 && screenshot "$picture") &
    SHOWN=1 silent 0 "/$switch" 'C:\VantrelLogs\many.log'
    reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f
    wait
    check "/$switch: $(tr -d '\r' <"$RUN_OUT.watch" | tail -1)" grep -q '^ok:' "$RUN_OUT.watch"
    expect_gone "$R\\many\\1" "$R\\many\\$N"
done
write_file "$R\\once.txt" x
# A report that cannot be written where it is asked: 1603, after the removal all the same.
silent 1603 /S '/LOG=C:\No Such Folder\report.txt' 'C:\VantrelLogs\once.log'
expect_gone "$R\\once.txt"
# /LOG= at a link: refused, as a report not written; the file behind it stays as it was.
echo mine >"$DRIVE_C/kept report.txt"
ln -sf '../kept report.txt' "$(unix_path 'C:\VantrelLogs\link.txt')"
silent 1603 /S '/LOG=C:\VantrelLogs\link.txt' 'C:\VantrelLogs\once.log'
check "the file behind the link is as it was" [ "$(cat "$DRIVE_C/kept report.txt")" = mine ]
# /LOG= through a folder that is a link: refused before anything is made behind it.
rm -rf "$DRIVE_C/Elsewhere" && mkdir "$DRIVE_C/Elsewhere"
ln -sfn ../Elsewhere "$(unix_path 'C:\VantrelLogs\away')"
silent 1603 /S '/LOG=C:\VantrelLogs\away\report.txt' 'C:\VantrelLogs\once.log'
check "nothing was made behind the link" [ -z "$(ls -A "$DRIVE_C/Elsewhere")" ]
# A second drive letter for the logs' folder, as SUBST or a mapped share gives one: /LOG= spelled
# either way writes the report; so does a share's path.
ln -sfn ../drive_c/VantrelLogs "$WINEPREFIX/dosdevices/l:"
mkdir -p "$WINEPREFIX/dosdevices/unc/server/share"
rm -f "$WINEPREFIX/dosdevices/unc/server/share"/*
for report in 'C:\VantrelLogs\second.txt' 'L:\third.txt' '\\server\share\report.txt'; do
    silent 0 /S "/LOG=$report" 'C:\VantrelLogs\once.log'
done
rm "$WINEPREFIX/dosdevices/l:"
check "the reports are there" grep -q totals "$(unix_path 'C:\VantrelLogs')"/{second,third}.txt
# A file that was there already, made by the user (as Windows owns it when the user's programs make
# it without elevation, and Wine every file): refused, and as it was.
echo mine >"$(unix_path 'C:\VantrelLogs\mine.txt')"
silent 1603 /S '/LOG=C:\VantrelLogs\mine.txt' 'C:\VantrelLogs\once.log'
check "the user's file is as it was" [ "$(cat "$(unix_path 'C:\VantrelLogs\mine.txt')")" = mine ]
# The run's lock taken first by a program of the same user without elevation, owned by the user's
# own account: no run is behind it, and the removal goes on.
hold 'C:\tests\robot.exe' 'C:\tests\robot.exe' lock
check "the user's program holds the lock" grep -q '^holding the run' "${RUN_OUT%/*}/held.out"
silent 0 /S 'C:\VantrelLogs\once.log'
kill "$HOLDER_PID"
# A running program's file: moved aside, and a restart finishes the removal. Its folder, then
# replaced by a link to a folder with a file of that name, does not lead the restart there.
cp -f "$ROBOT_EXE" "$(unix_path "$R\\held.exe")"
hold "$R\\held.exe" 'C:\tests\robot.exe'
silent 3010 /S 'C:\VantrelLogs\held.log'
kill "$HOLDER_PID"
moved="$DRIVE_C/windows/temp/$("$WINE" reg query "${SCHEDULE[0]}" /v "${SCHEDULE[1]}" |
    grep -o 'Vantrel-[0-9a-f]*\\[0-9]*\.del' | tr '\\' /)"
check "the restart schedule holds the file moved aside, in a folder shut to others" \
    [ -f "$moved" -a "$(($(stat -c 0%a "${moved%/*}") & 7))" = 0 ]
mv "$(unix_path "$R")" "$(unix_path "$R") away" && write_file 'C:\Victim\held.exe' x
ln -s ../Victim "$(unix_path "$R")" && "$WINE" wineboot -r
check "the restart removed the moved file and its folder, and nothing through the link" \
    [ ! -e "${moved%/*}" -a -e "$(unix_path 'C:\Victim\held.exe')" ]
rm "$(unix_path "$R")" && mv "$(unix_path "$R") away" "$(unix_path "$R")"
reg_expect absent "${SCHEDULE[@]}"
# Windows may not end the session while the entries go: the run's window, never shown, says no.
many
watching unseen "$R\\many\\1" "$R\\many\\$N"
silent 0 /S 'C:\VantrelLogs\many.log'
wait "$watcher"
check "$(tr -d '\r' <"$RUN_OUT.unseen" | tail -1)" grep -q '^ok:' "$RUN_OUT.unseen"
# The program's file swapped for another program between its start and its first look at it (the
# robot starts it suspended to win that race every time): the file it would hold is not the one
# running, so no copy is made from it, nothing planted runs, and the restart is to finish: 3010.
write_file 'C:\VantrelLogs\swap.log' "file:$PROGRAM"
touch "$RUN_OUT.swap"
start --swap 'C:\tests\robot.exe' "$PROGRAM" /S 'C:\VantrelLogs\swap.log'
expect_exit 3010
check "nothing planted ran" [ -z "$(find "$DRIVE_C" -name '*.ran' -newer "$RUN_OUT.swap")" ]
mv -f "$(unix_path "$PROGRAM").old" "$(unix_path "$PROGRAM")"
# A data folder on the way swapped for a link to another folder: nothing there goes, and each
# entry stays, the link named.
V="$DRIVE_C/Victim" D='C:\ProgramData\Vantrel Data'
rm -rf "$V" "$(unix_path "$D")" && mkdir -p "$V/sub" "$V/tree/deeper"
touch "$V/a" "$V/tree/deeper/b"
ln -s ../Victim "$(unix_path "$D")"
write_file 'C:\VantrelLogs\through.log' "file:$D\\a" "dir:$D\\sub" "dirw:$D\\tree"
silent 1603 /S '/LOG=C:\VantrelLogs\through.txt' 'C:\VantrelLogs\through.log'
check "nothing behind the link went" [ -e "$V/a" -a -d "$V/sub" -a -e "$V/tree/deeper/b" ]
check "each entry is kept, the link named" [ "$(grep -c "kept.*Vantrel Data is a link" \
    "$(unix_path 'C:\VantrelLogs\through.txt')")" = 3 ]
rm "$(unix_path "$D")"
# /LOG= in folders that others hold open sharing nothing, as a user adding a file there may: the
# report is written all the same.
rm -rf "$(unix_path 'C:\Reports')" && mkdir -p "$(unix_path 'C:\Reports\held')"
hold 'C:\tests\robot.exe' 'C:\Reports' && outer=$HOLDER_PID
hold 'C:\tests\robot.exe' 'C:\Reports\held'
write_file "$R\\once.txt" x
silent 0 /S '/LOG=C:\Reports\held\report.txt' 'C:\VantrelLogs\once.log'
kill "$outer" "$HOLDER_PID"
check "the report is there" grep -q totals "$(unix_path 'C:\Reports\held\report.txt')"
# Everything removed: 0, and the helper takes the program and its folders, however the log spells
# them, and the run's private folder: nothing is left for the restart.
rm -rf "$(unix_path "$R\\data")"
keep_server
silent 0 /S 'C:\VantrelLogs\clean.log'
reg_expect absent 'HKCU\Software\Kestova\Silent'
expect_helper_removes '' "$R\\readme.txt" "$R\\tree" "$PROGRAM" "$R\\bin" "$R"
expect_nothing_for_restart
finish
