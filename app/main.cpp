// The entry function: helper mode, the wizard or the unattended removal, then the self-remover
// and the end.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "app/closing.h"
#include "app/completion.h"
#include "app/dll_search.h"
#include "app/one_run.h"
#include "app/program.h"
#include "app/progress.h"
#include "removal/install_log.h"
#include "removal/own_files/self_remover.h"
#include "removal/results/outcome.h"
#include "removal/results/report.h"
#include "sysops/checked.h"
#include "sysops/code_page.h"
#include "text/command_line.h"
#include "text/deferred_list.h"
#include "text/path_text.h"
#include "ui/page_loop.h"
#include "ui/pages.h"
#include "ui/window_class.h"

static const char UsageText[] =
    "Usage: uninstall.exe [/S | /SILENT] [/LOG[=report]] [install log]\n\n"
    "/S\tRemoves Vantrel without any window and ends with an exit code:\n"
    "\t0 removed (your own files and settings stay), 3010 a restart\n"
    "\tfinishes the removal, 1603 items are left or the log cannot be read,\n"
    "\t1605 Vantrel is not installed (no log there), 1618 another removal\n"
    "\tis in progress, 87 no install log or an argument not understood.\n"
    "\t/VERYSILENT, /QUIET and /QN mean /S.\n"
    "/SILENT\tThe same, showing the removal page and asking nothing;\n"
    "\t/PASSIVE means /SILENT.\n"
    "/LOG=report\tWrites the removal report to this file instead of the temporary folder;\n"
    "\t/LOG alone, to the temporary folder.\n"
    "/SUPPRESSMSGBOXES, /NORESTART, /SP-\tTaken; nothing unattended shows a box or restarts.\n"
    "/NOCLOSEAPPLICATIONS\tLeaves Vantrel's running programs alone.\n"
    "/FORCECLOSEAPPLICATIONS\tEnds those that do not close when asked.\n"
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
    Status status = ProcessInstallLog(logPath);
    RemovalEnded();
    if (status)
        return status->code == ERROR_FILE_NOT_FOUND || status->code == ERROR_PATH_NOT_FOUND
                   ? LogAbsent
                   : LogNotRead;
    WriteReportOfRun(reportPath);
    return LogApplied;
}

// The pages, the removal between the second and the third, and the self-remover before the
// third, so that the page tells what the run's verdict is; then the offer to restart.
Status RunWizard(const StartRequest& request)
{
    do {
        ShowPrompt1("This program will remove Kestova's Vantrel from your computer", "", "");
    } while (ShowPrompt2("You are now ready to remove Vantrel.", "Click on Continue to commence.",
                         "") == PageBack);
    StartRemovalProgress();
    RemovalRun run = RunRemoval(request.logPath, request.reportPath);
    EndRemovalProgress();
    RunVerdict verdict = JudgeRun(run, LaunchSelfRemover());
    ShowCompletion(verdict, ReportWritten);
    OfferRestart(verdict);
    return Succeeded;
}

// The program holds its own file from here on (the copy is made from it). A path that was cut
// short names some other file: the own path then stays unknown, and nothing is handed to a copy.
static void FindOwnPath()
{
    BindOwnImage();
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
    if (length == 0 || length >= size ||
        !ToAnsi(OwnWidePath, length, converted, sizeof converted, true) ||
        strcmp(converted, OwnPath) != 0)
        OwnWidePath[0] = L'\0';
}

// The removal as after Continue, with no message box at all: with no window, or under /SILENT
// with the removal page alone, which the run leaves by itself at the end.
static int RunSilent(const StartRequest& request, int showCommand)
{
    // Not even the system's own boxes: a log on a drive without its disk fails quietly.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    FindOwnPath();
    if (!TakeRunLock())
        return ExitCodeOf(VerdictAnotherRun);
    if (request.view == ViewProgress)
        StartShownProgress(showCommand);
    else
        StartUnseenProgress();
    CloseProgramsBeforeRemoval(request);
    RemovalRun run = RunRemoval(request.logPath, request.reportPath);
    ShowRemovalDone();
    RunVerdict verdict = JudgeRun(run, LaunchSelfRemover());
    // A report that /LOG= asked for and did not get leaves the administrator without the list:
    // told as a failure, after a removal that went ahead all the same.
    bool lost = request.reportPath && !ReportWritten[0] && verdict >= VerdictComplete;
    return ExitCodeOf(lost ? VerdictItemsLeft : verdict);
}

static void RunWizardMode(const StartRequest& request, int showCommand)
{
    FindOwnPath();
    if (!TakeRunLock()) {
        ShowAnotherRun();
        ExitProcess(0);
    }
    if (RegisterWindowClass(ClassWindowProc) == 0 &&
        !CheckedCreateDialog(Instance, "Uninstall", nullptr, nullptr, 0, &MainWindow) &&
        MainWindow) {
        ShowWindow(MainWindow, showCommand);
        CloseProgramsBeforeRemoval(request);
        RunWizard(request);
    }

    // Whatever is still queued is handled, then the quit message ends the process from inside
    // the loop.
    PostQuitMessage(0);
    PageRunning = 1;
    RunPageLoop();
}

// A service's session, where no user can answer a window: a deployment agent running as the
// system starts the uninstaller there.
static bool InServiceSession()
{
    DWORD session;
    return ProcessIdToSessionId(GetCurrentProcessId(), &session) && session == 0;
}

// Where Windows offers it, no open of this program follows a junction that no administrator
// made: a guard on top of the walk, which follows no link at all. Looked up at run time, so that
// the program still starts where the call or the policy does not exist.
static void RefuseUsersJunctions()
{
    using SetPolicyCall = BOOL(WINAPI*)(int policy, void* flags, SIZE_T size);
    const int RedirectionTrustPolicy = 16;  // ProcessRedirectionTrustPolicy
    DWORD enforce = 1;                      // its first flag, EnforceRedirectionTrust
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    FARPROC found = kernel ? GetProcAddress(kernel, "SetProcessMitigationPolicy") : nullptr;
    if (found)
        reinterpret_cast<SetPolicyCall>(reinterpret_cast<void (*)()>(found))(
            RedirectionTrustPolicy, &enforce, sizeof enforce);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    RestrictDllSearch();
    RefuseUsersJunctions();
    Instance = instance;
    StartRequest request = ReadCommandLine(__argc, __argv, InServiceSession());
    switch (request.mode) {
    case StartHelper:
        RunHelperMode(request.helperCount, request.helperPaths);
        ExitProcess(0);
    case StartSilent:
        ExitProcess(RunSilent(request, showCommand));
    case StartHelp:
    case StartRefused:
        if (!request.silent)
            MessageBoxA(nullptr, UsageText, "Uninstall",
                        request.mode == StartHelp ? MB_ICONINFORMATION : MB_ICONWARNING);
        // The wizard's exit code stays 0 whatever happened, as installers that wait for it
        // expect.
        ExitProcess(request.silent && request.mode == StartRefused ? ExitCodeOf(VerdictNoLog) : 0);
    case StartWizard:
        RunWizardMode(request, showCommand);
    }
    return 0;
}
