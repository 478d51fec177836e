#include "ui/window_class.h"

#include <commctrl.h>

HINSTANCE Instance;
HWND MainWindow;

int RegisterWindowClass(WNDPROC procedure, bool quiet)
{
    // The pages' buttons and texts and the removal page's bar are the common controls of the
    // version that the manifest asks for, drawn in the system's visual style; COMCTL32 registers
    // their classes when asked. Should that fail, a page that names them cannot be made, and its
    // operation says so.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
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
