#include "ui/window_class.h"

HINSTANCE Instance;
HWND MainWindow;

int RegisterWindowClass(WNDPROC procedure, bool quiet)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    // The class serves dialog windows, which keep their state in these extra bytes.
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = Instance;
    windowClass.hIcon = LoadIconA(Instance, "!Uninstall");
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "Uninstall";
    if (RegisterClassA(&windowClass))
        return 0;
    if (!quiet)
        MessageBoxA(nullptr, "Failed to register Uninstall class", "Uninstall", MB_ICONERROR);
    return 1;
}
