// The entry function: helper mode, the wizard or the unattended removal, then the self-remover
// and the end.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "app/command_line.h"
#include "app/completion.h"
#include "app/dll_search.h"
#include "app/program.h"
#include "app/progress.h"
#include "removal/deferred_list.h"
#include "removal/install_log.h"
#include "removal/outcome.h"
#include "removal/path_text.h"
#include "removal/report.h"
#include "removal/self_remover.h"
#include "sysops/checked.h"
#include "sysops/file_helpers.h"
#include "ui/page_loop.h"
#include "ui/pages.h"
#include "ui/window_class.h"

// What /S ends with: the codes that deployment tools know from Windows Installer.
enum SilentExitCode {
    ExitDone = 0,
    ExitNoLog = 2,            // no log given, or it cannot be read: nothing was done
    ExitBadArgument = 87,     // ERROR_INVALID_PARAMETER: nothing was done
    ExitItemsLeft = 1603,     // ERROR_INSTALL_FAILURE: the report names what stays
    ExitRestartNeeded = 3010, // ERROR_SUCCESS_REBOOT_REQUIRED
};

static const char UsageText[] =
    "Usage: uninstall.exe [/S] [/LOG=report] [install log]\n\n"
    "/S\tRemoves Vantrel without any window and ends with an exit code:\n"
    "\t0 removed, 3010 a restart finishes the removal, 1603 items are left,\n"
    "\t2 no install log, 87 an argument that is not understood.\n"
    "/LOG=report\tWrites the removal report to this file instead of the temporary folder.\n"
    "/?\tShows this list.";

// The report that this run wrote; empty while none was.
static char ReportWritten[PathBufferSize];

// The report of the run, to the file that /LOG= names or else to a new file in the temporary
// directory; ReportWritten names it, or stays empty when it could not be written. A report
// never fails the removal.
static void WriteReportOfRun(const char* reportPath)
{
    WriteRemovalReport(reportPath, ReportWritten, sizeof ReportWritten);
}

// The removal after the confirmation: every entry of the log, then the report. What became of
// each entry is in Outcome, the report's path in ReportWritten.
static RemovalRun RunRemoval(const char* logPath, const char* reportPath)
{
    if (!logPath)
        return NoLogGiven;
    if (ProcessInstallLog(logPath))
        return LogNotRead;
    WriteReportOfRun(reportPath);
    return LogApplied;
}

Status RunWizard(const StartRequest& request)
{
    do {
        ShowPrompt1("This program will remove Kestova's Vantrel from your computer", "", "");
    } while (ShowPrompt2("You are now ready to remove Vantrel.", "Click on Continue to commence.",
                         "") == PageBack);
    StartRemovalProgress();
    RemovalRun run = RunRemoval(request.logPath, request.reportPath);
    EndRemovalProgress();
    ShowCompletion(run, ReportWritten);
    return Succeeded;
}

// A path that was cut short names some other file: the own path then stays unknown, and nothing
// is handed to a copy.
static void FindOwnPath()
{
    DWORD length = GetModuleFileNameA(nullptr, OwnPath, sizeof OwnPath);
    if (length == 0 || length >= sizeof OwnPath)
        OwnPath[0] = '\0';
    // A tree names what it holds in the file system's own spelling, and what it defers is
    // handed on in the ANSI one. When the ANSI path is not the exact conversion (a name the code
    // page cannot hold), nothing in a tree is deferred: the own file, running, then goes to the
    // restart like any file in use, and its folders after it.
    const DWORD size = sizeof OwnWidePath / sizeof OwnWidePath[0];
    length = GetModuleFileNameW(nullptr, OwnWidePath, size);
    char converted[sizeof OwnPath];
    if (length == 0 || length >= size || !ToAnsi(OwnWidePath, length, converted, sizeof converted, true) ||
        strcmp(converted, OwnPath) != 0)
        OwnWidePath[0] = L'\0';
}

// The removal as after Continue, with no window and no message box at all.
static int RunSilent(const StartRequest& request)
{
    // Not even the system's own boxes: a log on a drive without its disk fails quietly.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    FindOwnPath();
    if (RunRemoval(request.logPath, request.reportPath) != LogApplied)
        return ExitNoLog;
    bool helped = LaunchSelfRemover();
    // A report that /LOG= asked for and did not get leaves the administrator without the list.
    bool reported = !request.reportPath || ReportWritten[0];
    if (!reported || Outcome.kept > 0)
        return ExitItemsLeft;
    return Outcome.atRestart > 0 || !helped ? ExitRestartNeeded : ExitDone;
}

static void RunWizardMode(const StartRequest& request, int showCommand)
{
    FindOwnPath();
    if (RegisterWindowClass() == 0 &&
        !CheckedCreateDialog(Instance, "Uninstall", nullptr, nullptr, 0, &MainWindow) &&
        MainWindow) {
        ShowWindow(MainWindow, showCommand);
        RunWizard(request);
    }
    LaunchSelfRemover();

    // Whatever is still queued is handled, then the quit message ends the process from inside
    // the loop.
    PostQuitMessage(0);
    PageRunning = 1;
    RunPageLoop();
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    RestrictDllSearch();
    Instance = instance;
    StartRequest request = ReadCommandLine(__argc, __argv);
    switch (request.mode) {
    case StartHelper:
        RunHelperMode(request.helperCount, request.helperPaths);
        ExitProcess(0);
    case StartSilent:
        ExitProcess(RunSilent(request));
    case StartHelp:
    case StartRefused:
        if (!request.silent)
            MessageBoxA(nullptr, UsageText, "Uninstall",
                        request.mode == StartHelp ? MB_ICONINFORMATION : MB_ICONWARNING);
        // The wizard's exit code stays 0 whatever happened, as installers that wait for it
        // expect.
        ExitProcess(request.silent && request.mode == StartRefused ? ExitBadArgument : 0);
    case StartWizard:
        RunWizardMode(request, showCommand);
    }
    return 0;
}
