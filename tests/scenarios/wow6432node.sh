#!/usr/bin/env bash
# What a 32-bit installer writes to HKLM\Software lands in Wow6432Node, and the 32-bit
# uninstaller removes it there; the same names in the 64-bit view belong to another program
# and stay.
source "$(dirname "$0")/../support/gui.sh"
needs_32bit

KEY='HKLM\Software\Kestova\Wow'
ROOT='C:\Program Files (x86)\Vantrel Wow'
for view in 32 64; do
    VIEW=$view reg delete 'HKLM\Software\Kestova' /f
    VIEW=$view reg add "$KEY" /v Path /d "$view" /f
    VIEW=$view reg add "$KEY\\Sub" /v Keep /d "$view" /f
done
VIEW=64 reg_expect present 'HKLM\Software\Wow6432Node\Kestova\Wow' Path
rm -rf "$(unix_path "$ROOT")"
install_program "$ROOT\\uninst.exe"
write_file 'C:\VantrelLogs\wow.log' "key:$KEY\\Path" "key:$KEY\\Sub\\"
start "$ROOT\\uninst.exe" 'C:\VantrelLogs\wow.log'
walk_through
expect_exit 0
VIEW=32 reg_expect absent "$KEY" Path
VIEW=32 reg_expect absent "$KEY\\Sub"
VIEW=64 reg_expect present "$KEY" Path
VIEW=64 reg_expect present "$KEY\\Sub" Keep
finish
