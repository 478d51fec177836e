#include "app/completion.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "removal/outcome.h"
#include "removal/path_text.h"
#include "sysops/record_text.h"
#include "ui/pages.h"

static const char Finish[] = "Click on OK to finish this program";

static const char* Items(uint32_t count)
{
    return count == 1 ? "item" : "items";
}

// The first two lines when something stayed: what is left, and what the restart takes.
static void DescribeLeftovers(char* left, char* restart, size_t size)
{
    left[0] = restart[0] = '\0';
    if (Outcome.kept > 0)
        FormatText(left, size, "The removal of Vantrel is not complete: %u %s left on this computer.",
                   Outcome.kept, Outcome.kept == 1 ? "item is" : "items are");
    if (Outcome.kept > 0 && Outcome.atRestart > 0)
        FormatText(restart, size, "%u more %s will be removed when Windows restarts.",
                   Outcome.atRestart, Items(Outcome.atRestart));
    else if (Outcome.atRestart > 0)
        FormatText(restart, size,
                   "A restart of Windows finishes the removal of Vantrel: %u %s in use will be "
                   "removed then.",
                   Outcome.atRestart, Items(Outcome.atRestart));
}

static void ShowLeftovers(const char* report)
{
    char left[160], restart[160], last[400];
    DescribeLeftovers(left, restart, sizeof left);
    if (report[0])
        FormatText(last, sizeof last, "They are listed in the report %s\r\n%s", report, Finish);
    else
        FormatText(last, sizeof last, "The report that would list them could not be written.\r\n%s",
                   Finish);
    ShowPrompt3(left, restart, last);
}

// The place named by the first line of the user's own files or settings, in the code page the
// page shows (the lines are UTF-8); empty when it cannot be told whole.
static void FirstUsersPlace(char* out, int size)
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
    int bytes = converted > 0 ? WideCharToMultiByte(CP_ACP, 0, wide, converted, out, size - 1,
                                                    nullptr, nullptr)
                              : 0;
    out[bytes > 0 ? bytes : 0] = '\0';
    free(wide);
}

// Complete, with the user's own files and settings where they were: the user's to keep.
static void ShowUsersOwnKept(const char* report)
{
    char place[PathBufferSize], where[PathBufferSize + 80], last[400];
    FirstUsersPlace(place, sizeof place);
    if (!place[0])
        FormatText(where, sizeof where, "Your own files and settings stay where they were.");
    else if (Outcome.yours > 1)
        FormatText(where, sizeof where, "Your own files and settings stay in %s and %u more %s.",
                   place, Outcome.yours - 1, Outcome.yours == 2 ? "place" : "places");
    else
        FormatText(where, sizeof where, "Your own files and settings stay in %s.", place);
    if (report[0])
        FormatText(last, sizeof last, "They are listed in the report %s\r\n%s", report, Finish);
    else
        FormatText(last, sizeof last, "%s", Finish);
    ShowPrompt3("The removal of Vantrel is complete.", where, last);
}

void ShowCompletion(RemovalRun run, const char* report)
{
    if (run == NoLogGiven)
        ShowPrompt3("", "Nothing was removed: this program was started without an install log.",
                    Finish);
    else if (run == LogNotRead)
        ShowPrompt3("", "Nothing was removed: the install log could not be read.", Finish);
    else if (Outcome.kept > 0 || Outcome.atRestart > 0)
        ShowLeftovers(report);
    else if (Outcome.yours > 0)
        ShowUsersOwnKept(report);
    else
        ShowPrompt3("", "The removal of Vantrel is now complete.", Finish);
}
