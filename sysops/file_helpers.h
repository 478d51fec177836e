#pragma once
// File operations built on the checked calls.
#include <windows.h>

#include "sysops/entry_info.h"
#include "sysops/error_record.h"

// Never fails: an entry that cannot be found is EntryAbsent (the record then describes the
// failed search), and only `kind` changes in that case.
Status QueryEntryInfo(const char* path, EntryInfo* info);
// The handle is null on failure.
Status OpenForReading(const char* path, HANDLE* file);
// Reads until `count` bytes have arrived or the file ends.
Status ReadWholeFile(HANDLE file, char* buffer, int32_t count);
// Writes the whole of `text`, its terminator left out.
Status WriteWholeText(HANDLE file, const char* text);
// Closes always; keeps `earlier` when it is a failure.
Status CloseKeepingFirst(HANDLE file, Status earlier);
// Takes the read-only attribute off, leaving every other attribute that can be set as it was
// (`attributes` as the file system reported them).
Status ClearReadOnly(const char* path, uint32_t attributes);
