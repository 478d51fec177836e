#!/usr/bin/env bash
# The three pages as a user meets them: what each reads, top to bottom and left to right, the
# keyboard (Tab, Shift+Tab, Enter, space, Esc on the last), and Back on the confirmation page any
# number of times. GUI_SHOTS=docs renews the README's pictures.
source "$(dirname "$0")/../support/gui.sh"

ROOT='C:\Vantrel Pages'
rm -rf "$(unix_path "$ROOT")"
install_program "$ROOT\\uninst.exe"
write_file "$ROOT\\note.txt" x
write_file 'C:\VantrelLogs\pages.log' "file:$ROOT\\note.txt" "file:$ROOT\\uninst.exe" "dir:$ROOT"
start "$ROOT\\uninst.exe" 'C:\VantrelLogs\pages.log'

robot expect 'page=1 focus=ok' \
    reads "This program will remove Kestova's Vantrel from your computer|Cancel|Continue..."
screenshot page1-introduction.png
for focus in cancel ok; do press Tab; robot expect "page=1 focus=$focus"; done
press Return
robot expect 'page=2 focus=ok' \
    reads 'You are now ready to remove Vantrel.|Click on Continue to commence.|Back|Cancel|Continue'
screenshot page2-confirmation.png
for keys in Tab/back Tab/cancel Tab/ok Tab/back shift+Tab/ok; do
    press ${keys%/*}; robot expect "page=2 focus=${keys#*/}"
done
# Back, again and again: by Tab and space, and by Tab and Enter.
for keys in 'Tab space' 'Tab Return'; do
    press $keys
    robot expect 'page=1 focus=ok'
    press Return
    robot expect 'page=2 focus=ok'
done
expect_there "$ROOT\\note.txt"
press Return
robot expect 'page=3 focus=ok' \
    reads 'The removal of Vantrel is now complete.|Click on OK to finish this program|OK'
screenshot page3-completion.png
expect_gone "$ROOT\\note.txt"
# The completion page has no Cancel: Tab stays on OK, and Esc finishes as OK does, asking nothing
# (a question would keep the program from ending).
press Tab
robot expect 'question=none page=3 focus=ok'
press Escape
expect_exit 0
expect_helper_removes '' "$ROOT\\uninst.exe" "$ROOT"
finish
