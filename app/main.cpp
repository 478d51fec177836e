// The entry function: helper mode or the wizard, then the self-remover and the end.
#include <windows.h>

#include <cstdlib>

#include "app/dll_search.h"
#include "app/program.h"
#include "removal/deferred_list.h"
#include "removal/helper_command_line.h"
#include "removal/install_log.h"
#include "removal/self_remover.h"
#include "sysops/checked.h"
#include "ui/page_loop.h"
#include "ui/pages.h"
#include "ui/window_class.h"

Status RunWizard(int argc, char** argv)
{
    do {
        ShowPrompt1("This program will remove Kestova's Vantrel from your computer", "", "");
    } while (ShowPrompt2("You are now ready to remove Vantrel.", "Click on Continue to commence.",
                         "") == PageBack);
    if (argc > 1)
        ProcessInstallLog(argv[1]);
    ShowPrompt3("", "The removal of Vantrel is now complete.",
                "Click on OK to finish this program");
    return Succeeded;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    RestrictDllSearch();
    Instance = instance;
    if (__argc > 1 && IsHelperSwitch(__argv[1])) {
        RunHelperMode(__argc - 2, __argv + 2);
        ExitProcess(0);
    }

    // A path that was cut short names some other file: the own path then stays unknown, and
    // nothing is handed to a copy.
    DWORD length = GetModuleFileNameA(nullptr, OwnPath, sizeof OwnPath);
    if (length == 0 || length >= sizeof OwnPath)
        OwnPath[0] = '\0';
    if (RegisterWindowClass() == 0 &&
        !CheckedCreateDialog(Instance, "Uninstall", nullptr, nullptr, 0, &MainWindow) &&
        MainWindow) {
        ShowWindow(MainWindow, showCommand);
        RunWizard(__argc, __argv);
    }
    LaunchSelfRemover();

    // Whatever is still queued is handled, then the quit message ends the process from inside
    // the loop.
    PostQuitMessage(0);
    PageRunning = 1;
    RunPageLoop();
    return 0;
}
