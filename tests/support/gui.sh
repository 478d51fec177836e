# The library of the GUI scenarios, sourced by each tests/scenarios/*.sh. A scenario starts the
# uninstall.exe under test (UNINSTALL_EXE: the shipped 32-bit exe itself, or the 64-bit build
# where 32-bit code cannot run) in the run's private Wine prefix on its Xvfb display, presses
# keys from the X side, asks the robot what keys cannot tell, and checks the disk and registry.
# Only the mechanics are here: what a scenario makes, and what of it must go or stay, it says
# itself.
# CTest gives WINE, UNINSTALL_BUILD, UNINSTALL_EXE, UNINSTALL_BITS and ROBOT_EXE.
set -uo pipefail
# Where 32-bit programs run only on an emulated CPU, each start of one costs seconds:
# scripts/arch.sh then has the suite's own tools run as 64-bit programs (UNINSTALL_TOOL_WINE and
# UNINSTALL_TOOL_ROBOT), so that only the program under test and its helper are emulated, and
# stretches every wait by UNINSTALL_WAIT_FACTOR (the robot reads it too).
WINE=${UNINSTALL_TOOL_WINE:-$WINE}
ROBOT_EXE=${UNINSTALL_TOOL_ROBOT:-$ROBOT_EXE}
FACTOR=${UNINSTALL_WAIT_FACTOR:-1}
export WINEPREFIX="$UNINSTALL_BUILD/wine-prefix" WINEDEBUG=-all
export DISPLAY=":$(cat "$UNINSTALL_BUILD/wine-state/xvfb.display")"
DRIVE_C="$WINEPREFIX/drive_c"
SHOTS=$(realpath -m "${GUI_SHOTS:-$UNINSTALL_BUILD/screenshots}")  # docs/ renews the README's
RUN_OUT="$UNINSTALL_BUILD/wine-state/run.out"
FAILED=0
PROGRAM_PID=

check() { if "${@:2}"; then echo "ok: $1"; else FAILED=$((FAILED + 1)); echo "FAIL: $1"; fi; }
finish() { echo "$FAILED failed"; exit $((FAILED > 0)); }
# A failed or interrupted scenario leaves nothing of this prefix running for the next one.
trap '[ -z "$PROGRAM_PID" ] || kill "$PROGRAM_PID"
      [ "$FAILED" -eq 0 ] || /usr/lib/wine/wineserver -k' EXIT
# CTest reports a scenario that ends with 77 as skipped.
needs_32bit() { [ "$UNINSTALL_BITS" = 32 ] ||
    { echo "skipped: needs the 32-bit program"; exit 77; }; }

unix_path() {  # C:\a\b -> the path of the same file in the prefix
    local rest=${1#[Cc]:}
    printf '%s%s' "$DRIVE_C" "${rest//\\//}"
}
write_file() {  # Windows path, then its lines (or a log's entries), with Windows line ends
    mkdir -p "$(dirname "$(unix_path "$1")")"
    printf '%s\r\n' "${@:2}" >"$(unix_path "$1")"
}
install_program() {  # Windows path: where the product's installer put the uninstaller
    mkdir -p "$(dirname "$(unix_path "$1")")"
    cp -f "$UNINSTALL_EXE" "$(unix_path "$1")"
}
expect_gone() { local p; for p in "$@"; do check "gone: $p" [ ! -e "$(unix_path "$p")" ]; done; }
expect_there() { local p; for p in "$@"; do check "there: $p" [ -e "$(unix_path "$p")" ]; done; }

# The registry in the view of the program under test, or in the one VIEW names (32 or 64).
reg() { "$WINE" reg "$@" "/reg:${VIEW:-$UNINSTALL_BITS}" >/dev/null 2>&1; }
reg_expect() {  # present|absent KEY [VALUE]
    check "$1 in the ${VIEW:-$UNINSTALL_BITS}-bit view: $2 ${3:-}" \
        [ "$(reg query "$2" ${3:+/v "$3"} && echo present || echo absent)" = "$1" ]
}

# The robot's commands; a failed one ends the scenario, as the steps after it make no sense.
robot() { "$WINE" 'C:\tests\robot.exe' "$@" || { check "robot $*" false; finish; }; }
start() {  # [--temp DIR] PROGRAM ARGUMENTS...: the uninstaller, in the background
    "$WINE" 'C:\tests\robot.exe' run "$@" >"$RUN_OUT" 2>&1 &
    PROGRAM_PID=$!
}
expect_exit() {  # as the robot tells it: a Unix exit status keeps only the low 8 bits
    wait "$PROGRAM_PID"
    PROGRAM_PID=
    check "$(cat "$RUN_OUT"), want $1" grep -q "^exit code $1 " "$RUN_OUT"
}
hold() {  # robot (Windows path), file, [robot commands before]: the robot holds the file open
    local out="$UNINSTALL_BUILD/wine-state/held.out"  # for a minute, meanwhile
    "$WINE" "$1" "${@:3}" hold "$2" 60000 >"$out" &
    HOLDER_PID=$!
    for _ in $(seq $((100 * FACTOR))); do grep -qs holding "$out" && return; sleep 0.2; done
    check "holding $2" false
}
# Enter on each page as soon as it opens.
walk_through() { for page in 1 2 3; do robot expect "page=$page focus=ok"; press Return; done; }

xid() { "$WINE" 'C:\tests\robot.exe' xid | tr -d '\r'; }  # the X window that takes keys
# Real key presses through the X server, into the stop question when it is open, else into the
# main window. Focusing a window that has the focus already would activate it once more, and the
# dialog manager would then put the keyboard focus back where it last saved it.
press() {
    local window
    window=$(xid) || { check "a window for keys" false; finish; }
    [ "$(xdotool getwindowfocus)" = "$window" ] ||
        timeout $((5 * FACTOR)) xdotool windowfocus --sync "$window"
    xdotool key --delay 80 "$@"
}
screenshot() {  # file name: the window that takes keys, cropped from the screen
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$(xid)")"
    sleep 0.5  # let the page finish painting
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$SHOTS/$1"
}

# The helpers of this prefix that run (the bracket keeps grep from finding itself), and their
# copies, of any name, in the temporary directory, the default one or $1; a file the scenario
# planted there under the copy's name ($PLANTED, a Unix path) is none.
helpers() {
    grep -lsa 'uninstall[v]x' /proc/[0-9]*/cmdline | while read -r cmdline; do
        tr '\0' '\n' <"${cmdline%cmdline}environ" 2>/dev/null |
            grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "$cmdline"
    done
    ls "$DRIVE_C"/windows/temp/Vantrel-*/uninstallvx.exe "$DRIVE_C"/windows/temp/Vantrel-*.exe \
        ${1:+"$(unix_path "$1")"/uninstallvx*.exe} 2>/dev/null | grep -vxF "${PLANTED:-none}"
}
# After the wizard: the helper waits for the uninstaller to end, removes the deferred paths and
# ends, and its copy vanishes with it. Waits up to 15 s for all of that.
expect_helper_removes() {  # temporary directory or "", then the deferred paths
    local deadline=$((SECONDS + 15 * FACTOR)) path
    while [ "$SECONDS" -lt "$deadline" ] && [ -n "$(helpers "$1"; for path in "${@:2}"; do
              [ ! -e "$(unix_path "$path")" ] || echo "$path"; done)" ]; do
        sleep 0.2
    done
    expect_gone "${@:2}"
    check "the helper has ended and its copy is gone" [ -z "$(helpers "$1")" ]
}
# After a stop, once the program has ended: no helper runs (it is started before the program
# ends, and waits for that end), so the deferred paths stay.
expect_no_helper() { check "no helper was started" [ -z "$(helpers)" ]; expect_there "$@"; }
# What the system is to remove at the next restart; a scenario that leaves paths there clears it.
SCHEDULE=('HKLM\System\CurrentControlSet\Control\Session Manager' PendingFileRenameOperations)
clear_restart_schedule() { reg delete "${SCHEDULE[0]}" /v "${SCHEDULE[1]}" /f; }
# What a run leaves for the restart: what is in the Windows folder's Temp, and the schedule. Wine
# runs the schedule whenever its server starts anew, which would hide it: one server is kept
# running, by a robot holding a file, from before the run to after the look.
for_restart() {
    ls "$DRIVE_C/windows/temp"
    "$WINE" reg query "${SCHEDULE[0]}" /v "${SCHEDULE[1]}"
}
keep_server() {
    "$WINE" 'C:\tests\robot.exe' hold 'C:\tests\robot.exe' 600000 >/dev/null &
    KEEPER_PID=$!
    LEFT_BEFORE=$(for_restart 2>&1)
}
expect_nothing_for_restart() {
    check "nothing of the run is left for the restart" [ "$(for_restart 2>&1)" = "$LEFT_BEFORE" ]
    kill "$KEEPER_PID"
}

mkdir -p "$DRIVE_C/tests" "$SHOTS"
cd "$DRIVE_C/tests"  # Wine starts its programs in the current directory: inside the prefix
cp -f "$ROBOT_EXE" robot.exe
# There is no window manager on the display. Told so, Wine draws the title bars itself (the
# screenshots show the caption, as a user's desktop would), and it no longer waits two seconds
# for a window manager to acknowledge each window that closes.
reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f
reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
