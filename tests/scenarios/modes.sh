#!/usr/bin/env bash
# The other ways to start the program: without a log, in helper mode ("-U" as well as "-u"), and
# in helper mode with nothing to remove.
source "$(dirname "$0")/../support/gui.sh"

# Without arguments: all three pages, and nothing is removed, although the last page says so.
ROOT='C:\Program Files\Vantrel Plain'
make_demo_install "$ROOT" 'C:\VantrelLogs\unused.log'
start "$ROOT\\ bin  dir\\uninst.exe"
walk_through
expect_exit 0
expect_no_helper "$ROOT\\ bin  dir\\uninst.exe"
expect_demo_untouched "$ROOT"

# "-U" in upper case: helper mode. No window opens; each path is tried once, in order: a
# directory listed before its file is not empty on its turn and stays.
H='C:\Helper Mode'
rm -rf "$(unix_path "$H")"
install_program "$H\\uninst.exe"
write_file "$H\\a.txt" x
write_file "$H\\full\\inside.txt" x
write_file "$H\\early\\later.txt" x
mkdir -p "$(unix_path "$H\\empty")" "$(unix_path "$H\\slash")"
start "$H\\uninst.exe" -U "$H\\a.txt" "$H\\empty" "$H\\full" "$H\\slash\\" "$H\\missing.txt" \
    "$H\\early" "$H\\early\\later.txt"
expect_exit 0
expect_gone "$H\\a.txt" "$H\\empty" "$H\\slash" "$H\\early\\later.txt"
expect_there "$H\\full\\inside.txt" "$H\\early"

# "-u" and nothing else: waits its second, then ends with code 0.
start "$H\\uninst.exe" -u
expect_exit 0
took=$(sed -n 's/^exit code .* after \([0-9]*\) ms.*/\1/p' "$RUN_OUT")
check "\"-u\" alone ended after ${took:-?} ms, about a second" [ "${took:-0}" -ge 1000 -a "${took:-0}" -lt 4000 ]
finish
