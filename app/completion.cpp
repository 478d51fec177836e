#include "app/completion.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "removal/results/outcome.h"
#include "removal/results/outcome_lines.h"
#include "sysops/code_page.h"
#include "text/path_text.h"
#include "text/record_text.h"
#include "ui/pages.h"
#include "ui/window_class.h"

// What /S ends with: the codes that deployment tools know from Windows Installer.
static const int ExitCodes[VerdictCount] = {
    1618, // ERROR_INSTALL_ALREADY_RUNNING
    87,   // ERROR_INVALID_PARAMETER: no log argument
    1605, // ERROR_UNKNOWN_PRODUCT: not installed here
    1603, // ERROR_INSTALL_FAILURE
    0,    0,
    3010, // ERROR_SUCCESS_REBOOT_REQUIRED
    1603, // ERROR_INSTALL_FAILURE: the report names what stays
};

// The page's first two lines for each verdict; "%s" takes the counts and places of the run.
// A verdict with `listed` names the report on the third line.
struct PageTexts {
    const char* first;
    const char* second;
    bool listed;
};
static const PageTexts Pages[VerdictCount] = {
    {"", "The removal of Vantrel is already in progress.", false},  // shown in a box
    {"", "Nothing was removed: this program was started without an install log.", false},
    {"", "Nothing was removed: Vantrel is not installed here, as its install log is not there.",
     false},
    {"", "Nothing was removed: the install log could not be read.", false},
    {"", "The removal of Vantrel is now complete.", false},
    {"The removal of Vantrel is complete.", "Your own files and settings stay %s.", true},
    {"", "A restart of Windows finishes the removal of Vantrel%s.", true},
    {"The removal of Vantrel is not complete: %s left on this computer.", "%s", true},
};

static const char Finish[] = "Click on OK to finish this program";

RunVerdict JudgeRun(RemovalRun run, bool helped)
{
    static const RunVerdict NothingDone[] = {VerdictNoLog, VerdictNotInstalled,
                                             VerdictLogNotRead};  // by RemovalRun
    if (run != LogApplied)
        return NothingDone[run];
    if (Outcome.kept > 0)
        return VerdictItemsLeft;
    if (Outcome.atRestart > 0 || !helped)
        return VerdictRestartFinishes;
    return Outcome.yours > 0 ? VerdictYoursKept : VerdictComplete;
}

int ExitCodeOf(RunVerdict verdict)
{
    return ExitCodes[verdict];
}

static const char* Items(uint32_t count)
{
    return count == 1 ? "item" : "items";
}

// The place named by the first line of the user's own files or settings, in the code page the
// page shows (the lines are UTF-8); empty when it cannot be told whole.
static void FirstUsersPlace(char* out, size_t size)
{
    out[0] = '\0';
    const char* line = strstr(OutcomeLines(), "your ");
    while (line && line != OutcomeLines() && line[-1] != '\n')
        line = strstr(line + 1, "your ");
    if (!line)
        return;
    const char* what = strchr(line, '\t') + 1;
    int length = static_cast<int>(strcspn(what, "\t\r\n"));
    wchar_t* wide = static_cast<wchar_t*>(malloc((length + 1) * sizeof(wchar_t)));
    int converted = wide ? MultiByteToWideChar(CP_UTF8, 0, what, length, wide, length) : 0;
    if (converted <= 0 || !ToAnsi(wide, static_cast<size_t>(converted), out, size, false))
        out[0] = '\0';
    free(wide);
}

// What fills the "%s" of the verdict's two lines.
static void DescribeRun(RunVerdict verdict, char* first, char* second, size_t size)
{
    first[0] = second[0] = '\0';
    uint32_t restart = Outcome.atRestart;
    if (verdict == VerdictItemsLeft) {
        FormatText(first, size, "%u %s", Outcome.kept, Outcome.kept == 1 ? "item is" : "items are");
        if (restart > 0)
            FormatText(second, size, "%u more %s will be removed when Windows restarts.", restart,
                       Items(restart));
    } else if (verdict == VerdictRestartFinishes && restart > 0) {
        FormatText(second, size, ": %u %s in use will be removed then", restart, Items(restart));
    } else if (verdict == VerdictYoursKept) {
        char place[PathBufferSize];
        FirstUsersPlace(place, sizeof place);
        uint32_t more = Outcome.yours - 1;
        if (!place[0])
            FormatText(second, size, "where they were");
        else if (more > 0)
            FormatText(second, size, "in %s and %u more %s", place, more,
                       more == 1 ? "place" : "places");
        else
            FormatText(second, size, "in %s", place);
    }
}

void ShowAnotherRun()
{
    MessageBoxA(nullptr, Pages[VerdictAnotherRun].second, "Uninstall", MB_ICONINFORMATION);
}

void ShowCompletion(RunVerdict verdict, const char* report)
{
    const PageTexts& page = Pages[verdict];
    char firstPart[PathBufferSize + 80], secondPart[PathBufferSize + 80];
    DescribeRun(verdict, firstPart, secondPart, sizeof firstPart);
    char first[sizeof firstPart + 100], second[sizeof secondPart + 100], last[PathBufferSize + 100];
    FormatText(first, sizeof first, page.first, firstPart);
    FormatText(second, sizeof second, page.second, secondPart);
    if (!page.listed)
        FormatText(last, sizeof last, "%s", Finish);
    else if (report[0])
        FormatText(last, sizeof last, "They are listed in the report %s\r\n%s", report, Finish);
    else
        FormatText(last, sizeof last, "The report that would list them could not be written.\r\n%s",
                   Finish);
    ShowPrompt3(first, second, last);
}

// The shutdown privilege, which an administrator holds but has not enabled, then the restart,
// told to the system as a planned one for an installation.
static void RestartWindows()
{
    HANDLE token;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        if (LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid))
            AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
        CloseHandle(token);
    }
    ExitWindowsEx(EWX_REBOOT, SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_MINOR_INSTALLATION |
                                  SHTDN_REASON_FLAG_PLANNED);
}

void OfferRestart(RunVerdict verdict)
{
    bool waiting = verdict == VerdictRestartFinishes ||
                   (verdict == VerdictItemsLeft && Outcome.atRestart > 0);
    if (waiting &&
        MessageBoxA(MainWindow, "Do you want to restart Windows now to finish the removal of "
                                "Vantrel?",
                    "Uninstall", MB_ICONQUESTION | MB_YESNO | MB_DEFBUTTON2) == IDYES)
        RestartWindows();
}
