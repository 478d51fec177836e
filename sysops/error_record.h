#pragma once
// The one record of the most recent failure, and the Status that refers to it.
#include <cstdint>

#include "text/record_text.h"

struct ErrorRecord {
    int32_t code;     // Windows system error code of the last failure
    char text[RecordTextSize];  // system message, then "(label) (code) (detail)"
};

// All failures share this record, so a later failure overwrites what an earlier Status shows.
extern ErrorRecord TheErrorRecord;

// Empty (null) on success, else a reference to TheErrorRecord.
using Status = ErrorRecord*;
constexpr Status Succeeded = nullptr;

// Fills the record with `code` and returns it. `detailFormat` may be null (no detail).
Status FailWithCode(uint32_t code, const char* label, const char* detailFormat, ...)
    __attribute__((format(printf, 3, 4)));

// Fills the record with GetLastError(); a last error of 0 counts as success and leaves the
// record untouched.
Status FailWithLastError(const char* label, const char* detailFormat, ...)
    __attribute__((format(printf, 2, 3)));
