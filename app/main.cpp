// The entry function: helper mode or the wizard, then the self-remover and the end.
#include <windows.h>

#include <cstdlib>

#include "app/completion.h"
#include "app/dll_search.h"
#include "app/program.h"
#include "app/progress.h"
#include "removal/deferred_list.h"
#include "removal/helper_command_line.h"
#include "removal/install_log.h"
#include "removal/path_text.h"
#include "removal/report.h"
#include "removal/self_remover.h"
#include "sysops/checked.h"
#include "ui/page_loop.h"
#include "ui/pages.h"
#include "ui/window_class.h"

// The report that this run wrote; empty while none was.
static char ReportWritten[PathBufferSize];

// The removal after Continue, the same with a window or without one: applies the log at
// `logPath` (null: none was given) and, once a log was applied, writes the report to
// `reportPath` (null: its default place). What became of each entry is in Outcome.
static RemovalRun RunRemoval(const char* logPath, const char* reportPath)
{
    if (!logPath)
        return NoLogGiven;
    if (ProcessInstallLog(logPath))
        return LogNotRead;
    bool placed = reportPath ? CopyBounded(ReportWritten, sizeof ReportWritten, reportPath)
                             : DefaultReportPath(ReportWritten, sizeof ReportWritten);
    if (!placed || !WriteRemovalReport(ReportWritten))
        ReportWritten[0] = '\0';
    return LogApplied;
}

Status RunWizard(int argc, char** argv)
{
    do {
        ShowPrompt1("This program will remove Kestova's Vantrel from your computer", "", "");
    } while (ShowPrompt2("You are now ready to remove Vantrel.", "Click on Continue to commence.",
                         "") == PageBack);
    StartRemovalProgress();
    RemovalRun run = RunRemoval(argc > 1 ? argv[1] : nullptr, nullptr);
    EndRemovalProgress();
    ShowCompletion(run, ReportWritten);
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
