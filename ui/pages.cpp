#include "ui/pages.h"

#include <cstdlib>

#include "resources/ids.h"
#include "sysops/checked.h"
#include "ui/page_loop.h"

PageResult Prompt2Result = PageDone;

// The three pages differ only in their template, their handler and the ids of their lines.
struct PageLayout {
    const char* templateName;
    PageHandler handler;
    int textIds[3];
};

static const PageLayout Prompt1Layout = {"Prompt1", Prompt1Handler,
                                          {ID_P1_LINE1, ID_P1_LINE2, ID_P1_LINE3}};
static const PageLayout Prompt2Layout = {"Prompt2", Prompt2Handler,
                                          {ID_P2_LINE1, ID_P2_LINE2, ID_P2_LINE3}};
static const PageLayout Prompt3Layout = {"Prompt3", Prompt3Handler,
                                          {ID_P3_LINE1, ID_P3_LINE2, ID_P3_LINE3}};

void SetItemText(HWND window, int id, const char* text)
{
    SetDlgItemTextA(window, id, text);
}

Status FocusControl(HWND window, int id)
{
    HWND control;
    CheckedGetDlgItem(window, id, &control);
    HWND previous;
    return CheckedSetFocus(control, &previous);
}

static Status ShowPromptPage(const PageLayout& layout, const char* text1, const char* text2,
                             const char* text3)
{
    Status status = ShowPage(layout.templateName, layout.handler);
    if (status)
        return status;
    SetItemText(CurrentPage, layout.textIds[0], text1);
    SetItemText(CurrentPage, layout.textIds[1], text2);
    SetItemText(CurrentPage, layout.textIds[2], text3);
    FocusControl(CurrentPage, IDOK);
    RunPageLoop();
    return Succeeded;
}

Status ShowPrompt1(const char* text1, const char* text2, const char* text3)
{
    return ShowPromptPage(Prompt1Layout, text1, text2, text3);
}

PageResult ShowPrompt2(const char* text1, const char* text2, const char* text3)
{
    // Nothing is removed without the confirmation: without its page, the program ends as
    // after Yes to the stop question.
    if (ShowPromptPage(Prompt2Layout, text1, text2, text3))
        exit(0);
    return Prompt2Result;
}

Status ShowPrompt3(const char* text1, const char* text2, const char* text3)
{
    return ShowPromptPage(Prompt3Layout, text1, text2, text3);
}

// The id of the button that sent a WM_COMMAND, or 0 when no control sent it (lParam zero): a
// command that no button sent presses no button.
static int ButtonCommand(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_COMMAND || lParam == 0)
        return 0;
    return LOWORD(wParam);
}

LRESULT Prompt1Handler(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (ButtonCommand(message, wParam, lParam)) {
    case IDOK:
        EndPage();
        return 0;
    case IDCANCEL:
        ConfirmStop(CurrentPage);
        return 0;
    }
    return DefDlgProcA(window, message, wParam, lParam);
}

LRESULT Prompt2Handler(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (ButtonCommand(message, wParam, lParam)) {
    case IDOK:
        EndPage();
        Prompt2Result = PageDone;
        return 0;
    case ID_BACK:
        EndPage();
        Prompt2Result = PageBack;
        return 0;
    case IDCANCEL:
        ConfirmStop(CurrentPage);
        return 0;
    }
    return DefDlgProcA(window, message, wParam, lParam);
}

LRESULT Prompt3Handler(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Esc and closing the window arrive as IDCANCEL with no control behind it: the removal is
    // done and there is nothing left to stop, so they finish the page as OK does.
    bool cancel = message == WM_COMMAND && LOWORD(wParam) == IDCANCEL;
    if (cancel || ButtonCommand(message, wParam, lParam) == IDOK) {
        EndPage();
        return 0;
    }
    return DefDlgProcA(window, message, wParam, lParam);
}
