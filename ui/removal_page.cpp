#include "ui/removal_page.h"

#include "resources/ids.h"
#include "sysops/record_text.h"
#include "ui/page_loop.h"
#include "ui/pages.h"

static uint32_t Done;
static uint32_t Total;

Status ShowRemovalPage(const char* text)
{
    Done = 0;
    Total = 0;
    Status status = ShowPage("Progress", RemovalPageHandler);
    if (!status)
        SetItemText(CurrentPage, ID_RM_LINE, text);
    return status;
}

void SetRemovalProgress(uint32_t done, uint32_t total, const char* item)
{
    if (!CurrentPage)
        return;
    Done = done < total ? done : total;
    Total = total;
    // The total is known once the log is read.
    char count[64] = "";
    if (total > 0)
        FormatText(count, sizeof count, "%u of %u entries done", done, total);
    SetItemText(CurrentPage, ID_RM_COUNT, count);
    SetItemText(CurrentPage, ID_RM_ITEM, item);
    InvalidateRect(GetDlgItem(CurrentPage, ID_RM_BAR), nullptr, FALSE);
}

// A sunken frame, filled from the left in the selection colour as far as the entries done.
static void DrawBar(const DRAWITEMSTRUCT& item)
{
    RECT inside = item.rcItem;
    DrawEdge(item.hDC, &inside, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    RECT rest = inside;
    // A log is read whole into memory, so its entries stay far below 2^31.
    if (Total > 0)
        rest.left += MulDiv(inside.right - inside.left, static_cast<int>(Done),
                            static_cast<int>(Total));
    RECT filled = inside;
    filled.right = rest.left;
    FillRect(item.hDC, &filled, GetSysColorBrush(COLOR_HIGHLIGHT));
    FillRect(item.hDC, &rest, GetSysColorBrush(COLOR_WINDOW));
}

LRESULT RemovalPageHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DRAWITEM && wParam == ID_RM_BAR) {
        DrawBar(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    }
    // Enter, Esc and the window's close, which arrives as Cancel, all stop here.
    if (message == WM_COMMAND)
        return 0;
    return DefDlgProcA(window, message, wParam, lParam);
}
