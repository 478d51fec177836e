#!/usr/bin/env bash
# The three pages as a user meets them: their windows, texts and layout, the keyboard (Tab,
# Enter, space, Esc), and Back on the confirmation page any number of times.
source "$(dirname "$0")/../support/gui_lib.sh"

ROOT='C:\Vantrel Pages'
LOG='C:\VantrelLogs\pages.log'
rm -rf "$(unix_path "$ROOT")"
install_program "$ROOT\\uninst.exe"
write_file "$ROOT\\note.txt"
write_log "$LOG" "file:$ROOT\\note.txt" "file:$ROOT\\uninst.exe" "dir:$ROOT"

robot template-hidden "$ROOT\\uninst.exe"
start_program "$ROOT\\uninst.exe" "$LOG"

robot_must wait-page 1
robot check-main check-page 1 expect-focus 1
screenshot page1-introduction.png
# Tab on the introduction page: Cancel, Continue..., and round again.
press Tab
robot expect-focus 2
press Tab
robot expect-focus 1
press Return

robot_must wait-page 2
robot check-page 2 expect-focus 1
screenshot page2-confirmation.png
# Tab order: Back, Cancel, Continue, then from Continue back to Back; Shift+Tab goes back.
press Tab
robot expect-focus 1017
press Tab
robot expect-focus 2
press Tab
robot expect-focus 1
press Tab
robot expect-focus 1017
press shift+Tab
robot expect-focus 1

# Back, again and again: by Tab and space, by a click, and by Tab and Enter.
press Tab space
robot_must wait-page 1
press Return
robot_must wait-page 2 expect-focus 1
robot_must click 1017 wait-page 1
press Return
robot_must wait-page 2
press Tab Return
robot_must wait-page 1
press Return
robot_must wait-page 2
expect_there "$ROOT\\note.txt"
robot check-page 2
press Return

robot_must wait-page 3
robot check-page 3 expect-focus 1
screenshot page3-completion.png
expect_gone "$ROOT\\note.txt"
# The completion page has no Cancel: Tab stays on OK, and Esc finishes as OK does, asking
# nothing (a question would keep the program from ending).
press Tab
robot expect-focus 1
press Escape
expect_exit 0
expect_helper_removes '' "$ROOT\\uninst.exe" "$ROOT"
finish
