# Shared by the end-to-end scenarios: runs the real uninstaller in the run's private Wine prefix
# on its Xvfb display, presses keys from the X side, asks the robot about the windows, and
# checks what is left on disk. Sourced by a scenario script called as
#   SCENARIO.sh BUILD_DIR ROBOT.exe UNINSTALL.exe
set -uo pipefail

BUILD=$(cd "$1" && pwd)
ROBOT_EXE=$(realpath "$2")
PROGRAM_EXE=$(realpath "$3")
export WINEPREFIX="$BUILD/wine-prefix"
export WINEDEBUG=-all
export DISPLAY=":$(cat "$BUILD/wine-state/xvfb.display")"
WINE=/usr/lib/wine/wine64
DRIVE_C="$WINEPREFIX/drive_c"
# Screenshots go to the build tree unless the caller names another folder (docs/ to renew them).
SHOTS=$(realpath -m "${GUI_SHOTS:-$BUILD/screenshots}")
FAILED=0
PASSED=0
PROGRAM_PID=

pass() { PASSED=$((PASSED + 1)); echo "ok: $*"; }
fail() { FAILED=$((FAILED + 1)); echo "FAIL: $*"; }

# A failed or interrupted scenario leaves nothing of this prefix running for the next one.
cleanup() {
    local status=$?
    if [ "$FAILED" -ne 0 ] || [ "$status" -ne 0 ]; then
        [ -n "$PROGRAM_PID" ] && kill "$PROGRAM_PID" 2>/dev/null
        /usr/lib/wine/wineserver -k 2>/dev/null
    fi
}
trap cleanup EXIT

# Ends the scenario with the count of checks, failing when any check failed.
finish() {
    echo "$PASSED passed, $FAILED failed"
    [ "$FAILED" -eq 0 ]
    exit
}

# Gives up at once: later steps make no sense after this one.
abort() {
    fail "$*"
    finish
}

# Windows path (C:\...) to the path of the same entry in the prefix.
unix_path() {
    local rest=${1#[Cc]:}
    printf '%s%s' "$DRIVE_C" "${rest//\\//}"
}

mkdir -p "$DRIVE_C/tests" "$SHOTS"
# Wine starts its programs in the current directory, which must lie inside the prefix.
cd "$DRIVE_C/tests"
cp -f "$ROBOT_EXE" "$DRIVE_C/tests/gui_robot.exe"

# There is no window manager on the display. Told so, Wine draws the title bars itself (the
# screenshots show the caption, as a user's desktop would), and it no longer waits two seconds
# for a window manager to acknowledge each window that closes.
if [ ! -f "$WINEPREFIX/.gui-unmanaged" ]; then
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    touch "$WINEPREFIX/.gui-unmanaged"
fi

# Runs the robot's commands; its own lines show every check, and a failure counts here.
robot() {
    if "$WINE" 'C:\tests\gui_robot.exe' "$@"; then
        PASSED=$((PASSED + 1))
    else
        fail "robot: $*"
        return 1
    fi
}

# Like robot, but the scenario cannot go on without it.
robot_must() {
    robot "$@" || abort "cannot go on"
}

# Starts the uninstaller in the background through the robot, which passes its exit code on:
#   start_program [--temp DIR] PROGRAM_PATH ARGUMENTS...
start_program() {
    "$WINE" 'C:\tests\gui_robot.exe' run --timeout 60000 "$@" >"$BUILD/wine-state/run.out" 2>&1 &
    PROGRAM_PID=$!
}

# Enter on the introduction and on the confirmation page, as a user who goes straight on; the
# removal runs and the completion page appears.
confirm_to_completion() {
    robot_must wait-page 1
    press Return
    robot_must wait-page 2
    press Return
    robot_must wait-page 3
}

# Waits for the program started by start_program and checks its exit code.
expect_exit() {
    local want=$1 code
    wait "$PROGRAM_PID"
    code=$?
    PROGRAM_PID=
    cat "$BUILD/wine-state/run.out"
    if [ "$code" -eq "$want" ]; then pass "exit code $code"; else fail "exit code $code, want $want"; fi
}

# The X window of the uninstaller's main window. Asked up to three times: under load a start
# of the robot can fail on its own, and that must not fail the scenario.
main_xid() {
    local answer try
    for try in 1 2 3; do
        if answer=$("$WINE" 'C:\tests\gui_robot.exe' xid 2>&1 | tr -d '\r') &&
            [[ "$answer" =~ ^[0-9]+$ ]]; then
            echo "$answer"
            return 0
        fi
        echo "robot xid, try $try: $answer" >&2
        sleep 0.5
    done
    return 1
}

# Real key presses through the X server, into the uninstaller's main window.
press() {
    local window
    window=$(main_xid) || abort "no window for keys"
    # Focusing a window that has the focus already would activate it once more, and the
    # dialog manager would then put the keyboard focus back where it last saved it.
    if [ "$(xdotool getwindowfocus 2>/dev/null)" != "$window" ]; then
        timeout 5 xdotool windowfocus --sync "$window" || fail "focus on the main window"
    fi
    xdotool key --delay 80 "$@"
    echo "pressed: $*"
}

# A picture of the main window (and whatever is on top of it), cropped from the screen.
screenshot() {
    local file="$SHOTS/$1" window geometry
    window=$(main_xid) || abort "no window to picture"
    sleep 0.5  # let the page finish painting
    geometry=$(xdotool getwindowgeometry --shell "$window")
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$geometry"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$file"
    echo "picture: $file"
}

expect_gone() {
    local path
    for path in "$@"; do
        if [ -e "$(unix_path "$path")" ]; then fail "still there: $path"; else pass "gone: $path"; fi
    done
}

expect_there() {
    local path
    for path in "$@"; do
        if [ -e "$(unix_path "$path")" ]; then pass "still there: $path"; else fail "gone: $path"; fi
    done
}

# Temporary copies of the uninstaller in any user temporary directory of the prefix, or in $1.
temp_copies() {
    local extra=${1:-}
    ls -d "$DRIVE_C"/users/*/Temp/uninstallvx.exe "$DRIVE_C"/users/*/AppData/Local/Temp/uninstallvx.exe \
        ${extra:+"$(unix_path "$extra")/uninstallvx.exe"} 2>/dev/null
}

# Helper processes of this prefix (other prefixes may run their own at the same time).
helper_processes() {
    local process
    for process in /proc/[0-9]*; do
        if tr '\0' ' ' 2>/dev/null <"$process/cmdline" | grep -qi 'uninstallvx\.exe' &&
            tr '\0' '\n' 2>/dev/null <"$process/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
            echo "${process#/proc/}"
        fi
    done
}

# After the wizard has ended: the helper waits a second, removes the deferred paths and ends,
# and its copy vanishes with it. Waits at most 15 s for all of that, then checks it.
expect_helper_removes() {
    local temp=$1 deadline=$((SECONDS + 15))
    shift
    while [ "$SECONDS" -lt "$deadline" ]; do
        local left=0 path
        for path in "$@"; do
            [ -e "$(unix_path "$path")" ] && left=1
        done
        if [ "$left" -eq 0 ] && [ -z "$(helper_processes)" ] && [ -z "$(temp_copies "$temp")" ]; then
            break
        fi
        sleep 0.2
    done
    expect_gone "$@"
    if [ -z "$(helper_processes)" ]; then pass "the helper has ended"; else fail "the helper still runs"; fi
    if [ -z "$(temp_copies "$temp")" ]; then
        pass "no uninstallvx.exe left in the temporary directory"
    else
        fail "left behind: $(temp_copies "$temp")"
    fi
}

# After a stop: no helper may start, so the deferred paths stay. The helper would have been
# started before the program ended, and it lives for at least a second.
expect_no_helper() {
    local deadline=$((SECONDS + 3))
    while [ "$SECONDS" -lt "$deadline" ]; do
        if [ -n "$(helper_processes)" ] || [ -n "$(temp_copies)" ]; then
            fail "a helper was started"
            return
        fi
        sleep 0.2
    done
    pass "no helper was started"
    expect_there "$@"
}

write_file() {
    local path
    path=$(unix_path "$1")
    mkdir -p "$(dirname "$path")"
    printf '%s\r\n' "${2:-some content}" >"$path"
}

# An install log, one entry per argument, with Windows line ends.
write_log() {
    local path
    path=$(unix_path "$1")
    shift
    mkdir -p "$(dirname "$path")"
    printf '%s\r\n' "$@" >"$path"
}

# The uninstaller installed as the product installs it: inside the product's own directory.
install_program() {
    local path
    path=$(unix_path "$1")
    mkdir -p "$(dirname "$path")"
    cp -f "$PROGRAM_EXE" "$path"
}

# A Vantrel installation as its installer leaves it, and the log that lists it. Every path
# below lies under $1 (a Windows path), apart from the shortcut, the user's data and the
# registry keys; $2 names the log.
DEMO_KEY='HKCU\Software\Kestova\Vantrel'
DEMO_MACHINE_KEY='HKLM\Software\Kestova\Vantrel'
make_demo_install() {
    local root=$1 log=$2
    rm -rf "$(unix_path "$root")" "$(unix_path 'C:\VantrelData')" "$(unix_path 'C:\users\Public\Desktop\Vantrel.lnk')"
    install_program "$root\\bin\\uninst.exe"
    write_file "$root\\readme.txt"
    write_file "$root\\docs\\guide.txt"
    mkdir -p "$(unix_path "$root\\empty")"
    write_file "$root\\samples\\a.txt"
    write_file "$root\\samples\\sub\\b.txt"
    write_file "$root\\samples\\sub\\deeper\\c.txt"
    mkdir -p "$(unix_path "$root\\samples\\hollow")"
    write_file 'C:\users\Public\Desktop\Vantrel.lnk' 'shortcut'
    write_file 'C:\VantrelData\settings\user.cfg' 'the user made this'
    write_file 'C:\VantrelData\keep.txt'
    robot_must reg-clear 'HKCU\Software\Kestova' reg-clear 'HKLM\Software\Kestova' \
        reg-set "$DEMO_KEY" InstallDir "$root" reg-set "$DEMO_KEY" Version 1.0 \
        reg-set "$DEMO_KEY\\Settings" Theme plain \
        reg-set "$DEMO_MACHINE_KEY" Path "$root" reg-set "$DEMO_MACHINE_KEY" Shared yes \
        reg-set 'HKCU\Software\Kestova\Other' Keep yes
    write_log "$log" \
        "file:$root\\bin\\uninst.exe" \
        "file:$root\\readme.txt" \
        "file:$root\\docs\\guide.txt" \
        "dir:$root\\docs" \
        "dir:$root\\empty" \
        "dirw:$root\\samples" \
        "dir:$root\\bin" \
        "dir:$root" \
        'link:C:\users\Public\Desktop\Vantrel.lnk' \
        'dir:C:\VantrelData\settings' \
        "key:$DEMO_KEY\\InstallDir" \
        "key:$DEMO_KEY\\Settings\\" \
        "key:HKEY_CURRENT_USER\\Software\\Kestova\\Vantrel\\" \
        "key:$DEMO_MACHINE_KEY\\Path"
}

# What the wizard itself removes from the demo installation (the rest is deferred).
demo_removed_at_once() {
    local root=$1
    expect_gone "$root\\readme.txt" "$root\\docs" "$root\\empty" "$root\\samples" \
        'C:\users\Public\Desktop\Vantrel.lnk'
    # A listed directory that still holds something unlisted stays, and so does its content.
    expect_there 'C:\VantrelData\settings\user.cfg' 'C:\VantrelData\keep.txt'
    robot reg-expect "$DEMO_KEY" - absent \
        reg-expect "$DEMO_MACHINE_KEY" Path absent reg-expect "$DEMO_MACHINE_KEY" Shared present \
        reg-expect 'HKCU\Software\Kestova\Other' Keep present
}

# Nothing of the demo installation was touched.
demo_untouched() {
    local root=$1
    expect_there "$root\\bin\\uninst.exe" "$root\\readme.txt" "$root\\docs\\guide.txt" \
        "$root\\empty" "$root\\samples\\sub\\deeper\\c.txt" "$root\\samples\\hollow" \
        'C:\users\Public\Desktop\Vantrel.lnk' 'C:\VantrelData\settings\user.cfg'
    robot reg-expect "$DEMO_KEY" InstallDir present reg-expect "$DEMO_KEY\\Settings" Theme present \
        reg-expect "$DEMO_MACHINE_KEY" Path present
}
