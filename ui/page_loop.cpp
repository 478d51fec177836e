#include "ui/page_loop.h"

#include <cstdlib>

#include "sysops/checked.h"
#include "ui/window_class.h"

HWND CurrentPage;
PageHandler CurrentPageHandler;
int32_t PageRunning;
static bool EndOfSessionRefused;

Status ShowPage(const char* templateName, PageHandler handler)
{
    Status status =
        CheckedCreateDialog(Instance, templateName, MainWindow, nullptr, 0, &CurrentPage);
    if (status)
        return status;
    // A creation can fail without setting the thread's last error; a page that does not exist
    // must not count as shown, or its loop would wait for buttons that are not there.
    if (!CurrentPage)
        return FailWithCode(ERROR_INVALID_WINDOW_HANDLE, "CreateDialog", "%s", templateName);
    CurrentPageHandler = handler;
    PageRunning = 1;
    return Succeeded;
}

Status EndPage()
{
    CheckedDestroyWindow(CurrentPage);
    CurrentPage = nullptr;
    CurrentPageHandler = nullptr;
    PageRunning = 0;
    return Succeeded;
}

// The nearest window of the program's own class at or above `window`: a control's page, or the
// page or main window itself; null for a message that has no window.
static HWND DialogFor(HWND window)
{
    const LONG_PTR classProcedure = reinterpret_cast<LONG_PTR>(&ClassWindowProc);
    while (window && GetWindowLongPtrA(window, GWLP_WNDPROC) != classProcedure)
        window = GetParent(window);
    return window;
}

static void HandleMessage(MSG* message)
{
    if (!IsDialogMessageA(DialogFor(message->hwnd), message)) {
        TranslateMessage(message);
        DispatchMessageA(message);
    }
}

void RunPageLoop()
{
    MSG message;
    // The flag is tested after the fetch: the message that arrives after EndPage is dropped.
    while (GetMessageA(&message, nullptr, 0, 0) != 0 && PageRunning)
        HandleMessage(&message);
    if (PageRunning)
        exit(0);
}

void HandleWaitingMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        // Nothing asks to quit while the removal runs; should something, the page loop that
        // follows still ends the program.
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        HandleMessage(&message);
    }
}

void ConfirmStop(HWND owner)
{
    if (MessageBoxA(owner, "Do you want to stop uninstallation?", "Uninstall",
                    MB_ICONQUESTION | MB_YESNO) == IDYES)
        PostQuitMessage(0);
}

void RefuseEndOfSession(bool refuse)
{
    EndOfSessionRefused = refuse;
    if (refuse)
        ShutdownBlockReasonCreate(MainWindow, L"Vantrel is being removed.");
    else
        ShutdownBlockReasonDestroy(MainWindow);
}

LRESULT CALLBACK ClassWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (window == MainWindow)
        return MainWindowHandler(window, message, wParam, lParam);
    if (window == CurrentPage && CurrentPageHandler)
        return CurrentPageHandler(window, message, wParam, lParam);
    return DefDlgProcA(window, message, wParam, lParam);
}

LRESULT MainWindowHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        // Ending the program is the page loop's business, not the window's.
        return 0;
    case WM_QUERYENDSESSION:
        // A removal cut off halfway would leave a product that neither works nor goes.
        if (EndOfSessionRefused)
            return FALSE;
        break;
    case WM_CLOSE:
        // The window of a run under /S is never shown, and asks nothing; under /SILENT the
        // removal page is in it until the end, and that page stops here as it does in the wizard.
        if (!IsWindowVisible(window))
            return 0;
        // Closing the window (the title-bar X, Alt+F4) does what Esc does on the page: Cancel
        // where the page has it, and on the completion page, which has nothing left to stop,
        // OK.
        if (CurrentPage) {
            HWND cancel;
            CheckedGetDlgItem(CurrentPage, IDCANCEL, &cancel);
            SendMessageA(CurrentPage, WM_COMMAND, IDCANCEL, reinterpret_cast<LPARAM>(cancel));
            return 0;
        }
        ConfirmStop(window);
        break;
    }
    return DefDlgProcA(window, message, wParam, lParam);
}
