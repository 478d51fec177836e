#pragma once
// The removal page, on screen while the removal runs: a bar, the count of entries done and the
// item just dealt with. None of its buttons or keys acts, and closing the window does nothing
// until the completion page: a removal stopped halfway would leave a broken installation.
#include <windows.h>

#include <cstdint>

#include "sysops/error_record.h"

// Shows the page with `text` on its first line; it stays until EndPage. The removal runs
// meanwhile outside any page loop, so the page does not run one.
Status ShowRemovalPage(const char* text);

// `done` of `total` entries on the bar and in the count, and `item` below them. The page
// shows them as its messages are handled.
void SetRemovalProgress(uint32_t done, uint32_t total, const char* item);

LRESULT RemovalPageHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
