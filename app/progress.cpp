#include "app/progress.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

#include "removal/results/outcome.h"
#include "removal/results/outcome_lines.h"
#include "sysops/checked.h"
#include "sysops/code_page.h"
#include "text/path_text.h"
#include "ui/page_loop.h"
#include "ui/removal_page.h"
#include "ui/window_class.h"

// Often enough that the window answers well before a user would notice a pause, seldom enough
// that drawing costs the removal next to nothing: the page follows the clock, not the entries.
constexpr DWORD ProgressInterval = 50;

static DWORD LastShown;

// The path in the ANSI code page, for the eye: a name it cannot hold shows approximately, and of
// a long path only its end, where the name is.
static const char* ShownPath(const wchar_t* path, char* out, size_t size)
{
    const char* lead;
    const wchar_t* plain = PlainPath(path, &lead);
    size_t length = wcslen(plain), most = (size - 4) / 3;  // three bytes at most a character
    if (length > most) {
        plain += length - most;
        length = most;
        lead = "...";
    }
    size_t leadLength = strlen(lead);
    memcpy(out, lead, leadLength);
    ToAnsi(plain, length, out + leadLength, size - leadLength, false);
    return out;
}

static void ShowProgress(const char* text, const wchar_t* path)
{
    if (GetTickCount() - LastShown < ProgressInterval)
        return;
    char shown[PathBufferSize];
    if (!text)
        text = ShownPath(path, shown, sizeof shown);
    // The removal may still read the record of its last failure; nothing the window does in
    // between may change it.
    ErrorRecord saved = TheErrorRecord;
    SetRemovalProgress(Outcome.applied, Outcome.entries, text);
    HandleWaitingMessages();
    TheErrorRecord = saved;
    // Counted from the end of the drawing: however slow the display, the removal gets its
    // share of the time.
    LastShown = GetTickCount();
}

// From now on the removal hands its progress to the page, if there is one, and lets the window
// answer.
static void FollowRemoval()
{
    LastShown = GetTickCount();
    RemovalProgress = ShowProgress;
}

void StartRemovalProgress()
{
    if (ShowRemovalPage("Please wait while Vantrel is removed from your computer."))
        return;
    SetRemovalProgress(0, 0, "");
    HandleWaitingMessages();
    FollowRemoval();
}

// The main window of an unattended run, not shown yet; false when it could not be made, and the
// removal then runs all the same, with no window to answer Windows.
static bool CreateUnattendedWindow()
{
    return RegisterWindowClass(ClassWindowProc, true) == 0 &&
           !CheckedCreateDialog(Instance, "Uninstall", nullptr, nullptr, 0, &MainWindow) &&
           MainWindow;
}

void StartUnseenProgress()
{
    if (CreateUnattendedWindow())
        FollowRemoval();
}

void StartShownProgress(int showCommand)
{
    if (!CreateUnattendedWindow())
        return;
    // The page is put in before the window shows: an empty window would ask whether to stop
    // when closed.
    StartRemovalProgress();
    if (!CurrentPage) {
        FollowRemoval();
        return;
    }
    ShowWindow(MainWindow, showCommand);
    HandleWaitingMessages();
}

void ShowRemovalDone()
{
    RemovalProgress = nullptr;
    if (!CurrentPage)
        return;
    SetRemovalProgress(Outcome.applied, Outcome.entries, "");
    HandleWaitingMessages();
}

void EndRemovalProgress()
{
    RemovalProgress = nullptr;
    if (CurrentPage)
        EndPage();
}
