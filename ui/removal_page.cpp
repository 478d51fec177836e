#include "ui/removal_page.h"

#include <commctrl.h>

#include "resources/ids.h"
#include "text/record_text.h"
#include "ui/page_loop.h"
#include "ui/pages.h"

Status ShowRemovalPage(const char* text)
{
    Status status = ShowPage("Progress", RemovalPageHandler);
    if (!status)
        SetItemText(CurrentPage, ID_RM_LINE, text);
    return status;
}

void SetRemovalProgress(uint32_t done, uint32_t total, const char* item)
{
    if (!CurrentPage)
        return;
    // The total is known once the log is read.
    char count[64] = "";
    if (total > 0)
        FormatText(count, sizeof count, "%u of %u entries done", done, total);
    SetItemText(CurrentPage, ID_RM_COUNT, count);
    SetItemText(CurrentPage, ID_RM_ITEM, item);
    // A log is read whole into memory, so its entries stay far below 2^31.
    HWND bar = GetDlgItem(CurrentPage, ID_RM_BAR);
    SendMessageA(bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(total));
    SendMessageA(bar, PBM_SETPOS, done < total ? done : total, 0);
}

LRESULT RemovalPageHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Enter, Esc and the window's close, which arrives as Cancel, all stop here.
    if (message == WM_COMMAND)
        return 0;
    return DefDlgProcA(window, message, wParam, lParam);
}
