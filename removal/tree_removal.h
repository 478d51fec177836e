#pragma once
// Removing a directory with everything below it, depth first.
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "removal/outcome.h"
#include "sysops/error_record.h"

// The listing of one directory, read through the handle that holds it open, a buffer at a time.
struct DirectoryListing {
    HANDLE directory;
    unsigned char* buffer;               // ListingBufferSize bytes
    const unsigned char* next;           // the next entry in the buffer; null: read more
    bool started;
};

constexpr DWORD ListingBufferSize = 16384;

// One entry as the listing tells it; `name` lies in the listing's buffer and is not terminated.
struct ListedEntry {
    const wchar_t* name;
    size_t nameLength;
    uint32_t attributes;
    int64_t id;  // the file index on its volume
};

// Removes `path` (a full path that the caller has found safe to empty: no root, no folder of
// Windows), a file or a directory with everything below it. An entry that stays, and the
// directories above it, are left, and the walk goes on with the rest. Every file and directory
// is noted in the outcome; the worst of them comes back.
OutcomeKind RemoveTree(const wchar_t* path);

// The next entry of the listing other than "." and "..", or *done = 1 when none is left.
Status NextDirectoryEntry(DirectoryListing* listing, ListedEntry* entry, int* done);
