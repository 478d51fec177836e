#include "app/closing.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

#include "removal/install_log.h"
#include "removal/running/running_programs.h"
#include "sysops/code_page.h"
#include "text/path_text.h"
#include "text/record_text.h"
#include "ui/page_loop.h"
#include "ui/window_class.h"

static ClosingChoice Choice;
static bool Asking;

// The programs by file name and folder, as many as a box can show.
constexpr size_t ProgramsNamed = 10;

static void AppendProgram(char* text, size_t size, const wchar_t* path)
{
    const wchar_t* name = wcsrchr(path, L'\\');
    if (!name)
        return;
    char folder[PathBufferSize * 3], file[PathBufferSize * 3];
    ToAnsi(path, static_cast<size_t>(name - path), folder, sizeof folder, false);
    ToAnsi(name + 1, wcslen(name + 1), file, sizeof file, false);
    size_t used = strlen(text);
    FormatText(text + used, size - used, "%s in %s\r\n", file, folder);
}

// The box that names the programs and asks whether to close them now; Yes, the default, does.
static bool UserLetsThemClose()
{
    char text[4096] = "Vantrel is still running:\r\n\r\n";
    size_t count = ProgramsHere();
    for (size_t i = 0; i < count && i < ProgramsNamed; ++i)
        AppendProgram(text, sizeof text, ProgramHere(i));
    size_t used = strlen(text);
    if (count > ProgramsNamed)
        FormatText(text + used, sizeof text - used, "and %u more\r\n",
                   static_cast<unsigned>(count - ProgramsNamed));
    used = strlen(text);
    FormatText(text + used, sizeof text - used,
               "\r\nDo you want to close it now? Otherwise the files it uses are removed when "
               "Windows restarts.");
    return MessageBoxA(MainWindow, text, "Uninstall", MB_ICONQUESTION | MB_YESNO) == IDYES;
}

static void BeforeRemoval()
{
    ClosingChoice choice = Choice;
    if (Asking && choice != LeaveRunning && ProgramsHere() > 0 && !UserLetsThemClose())
        choice = LeaveRunning;
    CloseProductPrograms(choice, HandleWaitingMessages);
    RefuseEndOfSession(true);
}

void CloseProgramsBeforeRemoval(const StartRequest& request)
{
    Choice = request.leaveRunning ? LeaveRunning
             : request.endRunning ? CloseThenEnd
                                  : CloseRunning;
    Asking = !request.silent;
    BeforeFirstEntry = BeforeRemoval;
}

void RemovalEnded()
{
    RefuseEndOfSession(false);
}
