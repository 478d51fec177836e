#pragma once
// The window class of the main window and the pages, named by all four dialog templates; the
// module that they come from, and the main window.
#include <windows.h>

// The module handle passed to the entry function; every resource and dialog comes from it.
extern HINSTANCE Instance;

// The main dialog window, created from template "Uninstall"; null until then.
extern HWND MainWindow;

// Registers the class with `procedure` as its window procedure (the page loop's ClassWindowProc,
// which hands each message to the window's handler): 0 when the class was registered; 1 when it
// was not, after telling the user so unless `quiet`.
int RegisterWindowClass(WNDPROC procedure, bool quiet = false);
