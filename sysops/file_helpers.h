#pragma once
// File operations built on the checked calls.
#include <windows.h>

#include "sysops/entry_info.h"
#include "sysops/error_record.h"

// Never fails: an entry that cannot be found is EntryAbsent (the record then describes the
// failed search), and only `kind` changes in that case.
Status QueryEntryInfo(const char* path, EntryInfo* info);
// The same for a path as the file system spells it; the name is not filled. A link is seen as
// itself, never as what it points to.
Status QueryEntryInfo(const wchar_t* path, EntryInfo* info);
// The handle is null on failure.
Status OpenForReading(const char* path, HANDLE* file);
// Reads until `count` bytes have arrived or the file ends.
Status ReadWholeFile(HANDLE file, char* buffer, int32_t count);
// Writes the whole of `text`, its terminator left out.
Status WriteWholeText(HANDLE file, const char* text);
// Closes always; keeps `earlier` when it is a failure.
Status CloseKeepingFirst(HANDLE file, Status earlier);
