#pragma once
// Text between UTF-16, in which the file system spells names, and the ANSI code page, in which
// the log and the error record are written. Below the checked calls, which show a wide path in
// the record's detail through it.
#include <cstddef>

#include "sysops/error_record.h"

// `length` characters of `text` in the ANSI code page, terminated, never best-fitted: a character
// the code page cannot hold shows as its default character. False when the result does not fit
// `size` (`out` is then empty) or, with `exact`, is not the exact conversion.
bool ToAnsi(const wchar_t* text, size_t length, char* out, size_t size, bool exact);
// The log's ANSI `text` in UTF-16, failing on bytes that the code page does not define. `out`
// holds `size` characters; a byte never gives more than one, so strlen(text) + 1 is enough.
Status CheckedWiden(const char* text, wchar_t* out, size_t size);
