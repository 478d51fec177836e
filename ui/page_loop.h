#pragma once
// The page on screen and the nested message loop that runs while it is there. The main window
// and the pages are dialogs of the program's own class with no dialog procedure: all their
// messages reach ClassWindowProc, which hands them to the handler of the window concerned.
#include <windows.h>

#include <cstdint>

#include "sysops/error_record.h"

// A page's handler has the shape of a window procedure: 0 for a message it handles, and
// DefDlgProcA's result for every other.
using PageHandler = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

extern HWND CurrentPage;                // null when no page is on screen
extern PageHandler CurrentPageHandler;  // null when no page is on screen
extern int32_t PageRunning;             // 1 while a page loop is to keep running

// Creates the page from `templateName` as a child of MainWindow and makes `handler` its
// handler. A page that was not created leaves CurrentPage null and PageRunning 0.
Status ShowPage(const char* templateName, PageHandler handler);

// Destroys the current page; called from its own handler. Always succeeds.
Status EndPage();

// Dispatches messages until the page ends, then returns after the next fetch, dropping that
// message. The quit message while PageRunning is set ends the process with exit code 0.
void RunPageLoop();

// Handles the messages that are waiting, as the page loop would, and returns without waiting
// for more: the window answers while the one thread is busy elsewhere.
void HandleWaitingMessages();

// While refused, the main window answers no when Windows asks whether the session may end, and
// tells Windows why: the removal runs.
void RefuseEndOfSession(bool refuse);

// Asks whether to stop; Yes posts the quit message, which ends the process at the next fetch.
void ConfirmStop(HWND owner);

LRESULT CALLBACK ClassWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT MainWindowHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
