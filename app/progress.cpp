#include "app/progress.h"

#include <windows.h>

#include "removal/outcome.h"
#include "ui/page_loop.h"
#include "ui/removal_page.h"

// Often enough that the window answers well before a user would notice a pause, seldom enough
// that drawing costs the removal next to nothing: the page follows the clock, not the entries.
constexpr DWORD ProgressInterval = 50;

static DWORD LastShown;

static void ShowProgress(const char* what)
{
    if (GetTickCount() - LastShown < ProgressInterval)
        return;
    // The removal may still read the record of its last failure; nothing the window does in
    // between may change it.
    ErrorRecord saved = TheErrorRecord;
    SetRemovalProgress(Outcome.applied, Outcome.entries, what);
    HandleWaitingMessages();
    TheErrorRecord = saved;
    // Counted from the end of the drawing: however slow the display, the removal gets its
    // share of the time.
    LastShown = GetTickCount();
}

void StartRemovalProgress()
{
    if (ShowRemovalPage("Please wait while Vantrel is removed from your computer."))
        return;
    SetRemovalProgress(0, 0, "");
    HandleWaitingMessages();
    LastShown = GetTickCount();
    RemovalProgress = ShowProgress;
}

void EndRemovalProgress()
{
    RemovalProgress = nullptr;
    if (CurrentPage)
        EndPage();
}
