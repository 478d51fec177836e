#include "sysops/code_page.h"

#include <windows.h>

bool ToAnsi(const wchar_t* text, size_t length, char* out, size_t size, bool exact)
{
    if (size == 0)
        return false;
    // The UTF-8 code page has no best fit and no default character to tell of; only an unpaired
    // surrogate does not convert.
    bool utf8 = GetACP() == CP_UTF8;
    DWORD flags = utf8 ? (exact ? WC_ERR_INVALID_CHARS : 0) : WC_NO_BEST_FIT_CHARS;
    BOOL lossy = FALSE;
    int bytes = length == 0 ? 0
                            : WideCharToMultiByte(CP_ACP, flags, text, static_cast<int>(length),
                                                  out, static_cast<int>(size - 1), nullptr,
                                                  utf8 || !exact ? nullptr : &lossy);
    out[bytes] = '\0';
    return (bytes > 0 || length == 0) && !lossy;
}

Status CheckedWiden(const char* text, wchar_t* out, size_t size)
{
    int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, out,
                                     static_cast<int>(size));
    if (length > 0)
        return Succeeded;
    if (size > 0)
        out[0] = L'\0';
    return FailWithLastError("MultiByteToWideChar", "%s", text);
}
