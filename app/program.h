#pragma once
// What the entry function sets up for the rest of the program, and the wizard's run sequence.
#include <windows.h>

#include "sysops/error_record.h"

// The module handle passed to the entry function; every resource and dialog comes from it.
extern HINSTANCE Instance;

// The main dialog window, created from template "Uninstall"; null until then.
extern HWND MainWindow;

// The three pages in order, Back returning to the first, with the removal between the second
// and the third. Always succeeds.
Status RunWizard(int argc, char** argv);
