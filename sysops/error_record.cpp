#include "sysops/error_record.h"

#include <windows.h>

#include <cstdarg>

#include "text/record_text.h"

ErrorRecord TheErrorRecord;

static Status FillRecord(uint32_t code, const char* label, const char* detailFormat,
                         va_list arguments)
{
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, TheErrorRecord.text,
                                  sizeof TheErrorRecord.text, nullptr);
    if (length == 0)
        WriteUnknownCodeText(TheErrorRecord.text, sizeof TheErrorRecord.text,
                             static_cast<int32_t>(code));
    TheErrorRecord.code = static_cast<int32_t>(code);

    if (!detailFormat) {
        AppendRecordSuffix(TheErrorRecord.text, sizeof TheErrorRecord.text, label,
                           TheErrorRecord.code, nullptr);
        return &TheErrorRecord;
    }
    char detail[RecordDetailSize];
    FormatBounded(detail, sizeof detail, detailFormat, arguments);
    AppendRecordSuffix(TheErrorRecord.text, sizeof TheErrorRecord.text, label,
                       TheErrorRecord.code, detail);
    return &TheErrorRecord;
}

Status FailWithCode(uint32_t code, const char* label, const char* detailFormat, ...)
{
    va_list arguments;
    va_start(arguments, detailFormat);
    Status status = FillRecord(code, label, detailFormat, arguments);
    va_end(arguments);
    return status;
}

Status FailWithLastError(const char* label, const char* detailFormat, ...)
{
    DWORD code = GetLastError();
    if (code == 0)
        return Succeeded;
    va_list arguments;
    va_start(arguments, detailFormat);
    Status status = FillRecord(code, label, detailFormat, arguments);
    va_end(arguments);
    return status;
}
