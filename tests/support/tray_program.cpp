// A program of the product's for the scenarios that remove the product while it runs: a tray
// program, whose one window is hidden. Asked to close (WM_CLOSE), it leaves MARK and ends; with
// "ignore" it takes no notice. It says "running" once its window is there.
//   tray_program.exe MARK [ignore]
#include <windows.h>

#include <cstdio>
#include <cstring>

static const char* Mark;
static bool Ignoring;

static LRESULT CALLBACK TrayWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_CLOSE)
        return DefWindowProcA(window, message, wParam, lParam);
    if (!Ignoring) {
        CloseHandle(CreateFileA(Mark, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        PostQuitMessage(0);
    }
    return 0;
}

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    Mark = argv[1];
    Ignoring = argc > 2 && strcmp(argv[2], "ignore") == 0;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = TrayWindow;
    windowClass.lpszClassName = "TrayProgram";
    if (!RegisterClassA(&windowClass) ||
        !CreateWindowA("TrayProgram", "Tray", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                       nullptr, nullptr, nullptr))
        return 1;
    printf("running\n");
    fflush(stdout);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
