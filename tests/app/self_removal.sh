#!/usr/bin/env bash
# The uninstaller's own file and folder go every time, and nothing but its own copy is started:
# a read-only "uninstallvx.exe" planted in the temporary directory is never run (it would leave
# a marker); the log lists the folder before the uninstaller inside it; the program is started
# with that folder as its current directory; and the finished wizard is closed by the title-bar
# X, which asks nothing.
MARKER_EXE=$(realpath "$4")
source "$(dirname "$0")/../support/gui_lib.sh"

ROOT='C:\Program Files\Vantrel Self'
LOG='C:\VantrelLogs\self.log'
TEMP_DIR='C:\Temp Self'
SCHEDULE=('HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations)
rm -rf "$(unix_path "$ROOT")" "$(unix_path "$TEMP_DIR")"
mkdir -p "$(unix_path "$TEMP_DIR")"
PLANTED="$(unix_path "$TEMP_DIR")/uninstallvx.exe"
cp -f "$MARKER_EXE" "$PLANTED"
chmod a-w "$PLANTED"  # Wine shows a file without write permission as read-only
"$WINE" "${TEMP_DIR}\\uninstallvx.exe" --hold &
HOLDER_PID=$!
install_program "$ROOT\\uninst.exe"
write_file "$ROOT\\readme.txt"
write_log "$LOG" "dir:$ROOT" "file:$ROOT\\readme.txt" "file:$ROOT\\uninst.exe"
"$WINE" reg delete "${SCHEDULE[@]}" /f >/dev/null 2>&1

cd "$(unix_path "$ROOT")"  # the robot, and the program it starts, run in the install folder
start_program --temp "$TEMP_DIR" "$ROOT\\uninst.exe" "$LOG"
cd "$DRIVE_C/tests"
confirm_to_completion
expect_gone "$ROOT\\readme.txt"
# A question would keep the program from ending.
robot_must close
expect_exit 0
kill "$HOLDER_PID"

# The helper runs under a fresh name and vanishes with it, leaving only the planted file.
deadline=$((SECONDS + 20))
while [ "$SECONDS" -lt "$deadline" ]; do
    [ ! -e "$(unix_path "$ROOT")" ] && [ "$(ls "$(unix_path "$TEMP_DIR")")" = uninstallvx.exe ] && break
    sleep 0.2
done
expect_gone "$ROOT"
if [ ! -e "$PLANTED.ran" ] && [ -e "$PLANTED" ]; then pass "the planted file was never run"; else fail "the planted file ran"; fi
left=$(ls "$(unix_path "$TEMP_DIR")" | tr '\n' ' ')
if [ "$left" = "uninstallvx.exe " ]; then pass "no copy left behind"; else fail "temporary directory holds: $left"; fi
if "$WINE" reg query "${SCHEDULE[@]}" >/dev/null 2>&1; then
    fail "the helper left paths to the restart"
else
    pass "nothing left to the restart"
fi
finish
