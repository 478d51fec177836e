#pragma once
// Composes the text of the error record. Free of Windows so that it can be checked anywhere.
#include <cstdarg>
#include <cstddef>
#include <cstdint>

constexpr size_t RecordTextSize = 252;     // the record's text, terminator included
constexpr size_t RecordDetailSize = 512;   // a formatted detail, terminator included

// printf into `out`, cut to `size` - 1 characters and always terminated, whichever C runtime
// supplies vsnprintf (the Windows one leaves a cut text unterminated).
void FormatBounded(char* out, size_t size, const char* format, va_list arguments);
void FormatText(char* out, size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Appends "(label) (code) (detail)", or "(label) (code)" when `detail` is null, directly after
// the text already in `text`, cutting the whole so that it and its terminator fit `size`.
void AppendRecordSuffix(char* text, size_t size, const char* label, int32_t code,
                        const char* detail);

// The text used when the system has no message for `code`.
void WriteUnknownCodeText(char* text, size_t size, int32_t code);
