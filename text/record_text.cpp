#include "text/record_text.h"

#include <cstdio>
#include <cstring>

void FormatBounded(char* out, size_t size, const char* format, va_list arguments)
{
    if (size == 0)
        return;
#ifdef _WIN32
    // The system C runtime's formatter: the portable one that MinGW links in otherwise would
    // add a third to the program's size. It leaves a cut text unterminated, as handled below.
    _vsnprintf(out, size, format, arguments);
#else
    vsnprintf(out, size, format, arguments);
#endif
    out[size - 1] = '\0';
}

void FormatText(char* out, size_t size, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    FormatBounded(out, size, format, arguments);
    va_end(arguments);
}

static void AppendFormatted(char* text, size_t size, const char* format, ...)
{
    size_t used = strnlen(text, size - 1);
    text[used] = '\0';
    va_list arguments;
    va_start(arguments, format);
    FormatBounded(text + used, size - used, format, arguments);
    va_end(arguments);
}

void AppendRecordSuffix(char* text, size_t size, const char* label, int32_t code,
                        const char* detail)
{
    if (size == 0)
        return;
    if (detail)
        AppendFormatted(text, size, "(%s) (%d) (%s)", label, static_cast<int>(code), detail);
    else
        AppendFormatted(text, size, "(%s) (%d)", label, static_cast<int>(code));
}

void WriteUnknownCodeText(char* text, size_t size, int32_t code)
{
    if (size == 0)
        return;
    text[0] = '\0';
    // Ends with a line break like the system's own messages, so the suffix starts a new line.
    AppendFormatted(text, size, "Unknown error %d.\r\n", static_cast<int>(code));
}
