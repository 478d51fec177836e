#!/usr/bin/env bash
# The product's programs left running when it is removed: found by their file, never by their
# name, and asked to close as a user would (a tray program's hidden window gets WM_CLOSE). /S
# closes them without a box; /NOCLOSEAPPLICATIONS leaves them, and their files go at the restart;
# one that does not close stays running after a bounded wait, unless /FORCECLOSEAPPLICATIONS ends
# it. The wizard asks first: the default answer closes them, the other leaves them. The report
# tells what became of each. A tree that the walk refuses, however spelled, is looked in for
# none. GUI_SHOTS=docs renews the question's picture.
source "$(dirname "$0")/../support/gui.sh"

R='C:\Vantrel Running'
TRAY="$R\\tray\\vantrel.exe" TOOL="$R\\bin\\vantrel tool.exe" ELSEWHERE='C:\Elsewhere\vantrel.exe'
REPORT='C:\VantrelLogs\running report.txt' LOG='C:\VantrelLogs\running.log'
install_program "$R\\uninst.exe"
# The tray program inside a tree that the log removes, the tool by its own file.
write_file "$LOG" "dirw:$R\\tray" "file:$TOOL"
declare -A PIDS
run_program() {  # Windows path, name of its mark, [ignore]: running once it says so
    mkdir -p "$(dirname "$(unix_path "$1")")" && cp -f "$TRAY_EXE" "$(unix_path "$1")"
    rm -f "$DRIVE_C/tests/$2.mark"
    local out="$UNINSTALL_BUILD/wine-state/$2.out"
    "$WINE" "$1" "C:\\tests\\$2.mark" ${3:-} >"$out" 2>&1 &
    PIDS[$2]=$!
    for _ in $(seq $((100 * FACTOR))); do grep -qs running "$out" && return; sleep 0.2; done
    check "$1 runs" false
}
runs() { ps -o stat= -p "${PIDS[$1]}" | grep -q '^[^Z]'; }
# The uninstaller has seen the process end before it ends itself: only Wine's own end is left.
ended() { for _ in $(seq $((50 * FACTOR))); do runs "$1" || return 0; sleep 0.1; done; return 1; }
expect_closed() { local p; for p; do check "$p ended" ended "$p"
    check "$p closed when asked" [ -e "$DRIVE_C/tests/$p.mark" ]; done; }
expect_running() { local p; for p; do check "$p runs on" runs "$p"
    check "$p was not closed" [ ! -e "$DRIVE_C/tests/$p.mark" ]; kill "${PIDS[$p]}"; done; }
silent() {  # exit code wanted, then the switches
    rm -f "$(unix_path "$REPORT")"  # Wine makes every file the user's, so one there is refused
    start "$R\\uninst.exe" /S "${@:2}" "/LOG=$REPORT" "$LOG"
    expect_exit "$1"
    TOOK=$(sed -n 's/^exit code .* after \([0-9]*\) ms.*/\1/p' "$RUN_OUT")
}
report_has() { check "the report: $*" grep -qF "$(printf '%s\r' "$*")" "$(unix_path "$REPORT")"; }

# /S: both closed, so everything goes now, with nothing for the restart; a program of the same
# name elsewhere runs on.
clear_restart_schedule
run_program "$TRAY" tray && run_program "$TOOL" tool && run_program "$ELSEWHERE" elsewhere
silent 0
expect_closed tray tool
expect_gone "$R\\tray" "$TOOL"
reg_expect absent "${SCHEDULE[@]}"
report_has $'closed\t'"$TRAY" && report_has $'closed\t'"$TOOL"
check "the program elsewhere runs on" runs elsewhere
closing=$TOOK

# A tool that takes no notice of the close stays running: after the bounded wait its file goes at
# the restart. /FORCECLOSEAPPLICATIONS ends it; /NOCLOSEAPPLICATIONS asks nothing.
run_program "$TOOL" tool ignore
silent 3010
check "waited ${TOOK} ms, at most the bounded wait more than ${closing} ms" \
    [ "$TOOK" -ge 10000 -a "$TOOK" -le $((closing + 10000 + 3000 * FACTOR)) ]
report_has $'still running\t'"$TOOL"$'\tno answer'
expect_running tool
clear_restart_schedule
run_program "$TOOL" tool ignore
silent 0 /FORCECLOSEAPPLICATIONS
check "tool ended" ended tool
report_has $'ended\t'"$TOOL"
expect_gone "$TOOL"
run_program "$TOOL" tool
silent 3010 /NOCLOSEAPPLICATIONS
report_has $'still running\t'"$TOOL"$'\tthe user\'s choice'
expect_running tool
clear_restart_schedule

# The Windows folder by its \\?\ name: the walk refuses it, and a program there, of a name the
# product's could have, is neither asked to close nor ended.
run_program 'C:\windows\vantrel.exe' windows
LOG='C:\VantrelLogs\windows.log' && write_file "$LOG" 'dirw:\\?\C:\windows'
silent 1603 /FORCECLOSEAPPLICATIONS
check "no program ended or closed" [ -z "$(grep -a '^ended\|^closed' "$(unix_path "$REPORT")")" ]
expect_running windows
rm -f "$(unix_path 'C:\windows\vantrel.exe')"

# The wizard names the program and asks: Yes, the default, closes it; No leaves it running.
for answer in Return n; do
    run_program "$TRAY" tray
    start "$R\\uninst.exe" 'C:\VantrelLogs\running.log'
    robot expect 'page=1 focus=ok'
    press Return
    robot expect 'page=2 focus=ok'
    press Return
    robot expect 'question=Uninstall|(icon)|&Yes|&No|Vantrel is still running:' \
        expect "vantrel.exe in $R\\tray" expect 'Do you want to close it now? Otherwise the files'
    [ "$answer" = n ] || screenshot running-question.png
    press $answer
    robot expect 'page=3 focus=ok'
    press Return
    if [ "$answer" = n ]; then
        robot expect 'question=Uninstall|(icon)|&Yes|&No|Do you want to restart'
        press n
        expect_running tray
    else
        expect_closed tray
    fi
    expect_exit 0
done
kill "${PIDS[elsewhere]}"
clear_restart_schedule
finish
