#pragma once
// Removing a directory with everything below it, depth first.
#include <windows.h>

#include "sysops/entry_info.h"
#include "sysops/error_record.h"

// The search handle of the enumeration in progress, or null. Each level of the walk saves and
// restores it, so that every directory has its own enumeration.
extern HANDLE FindHandle;

// `path` is a buffer of PathBufferSize characters that the walk extends and cuts back in place.
// After success it holds the path it was called with, less one trailing backslash; after a
// failure, the path of the entry whose removal failed. The first failure ends the whole walk.
Status RemoveTree(char* path, const char* pattern);

// The next entry of `directory` other than "." and "..", or *done = 1 when none is left.
Status NextDirectoryEntry(const char* directory, const char* pattern, EntryInfo* info, int* done);
