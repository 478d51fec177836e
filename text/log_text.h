#pragma once
// Splitting the install log into entries and recognising their tags. Free of Windows.
#include <cstddef>

// Every byte below 32 separates entries: turns each into a terminator, so that every entry
// becomes a zero-terminated string where it lies.
void TerminateLogEntries(char* buffer, size_t size);

// Finds the next entry at or after *position in a buffer prepared by TerminateLogEntries (and
// terminated at `size`). Sets *entry and *length and moves *position past it; false at the end.
bool NextLogEntry(char* buffer, size_t size, size_t* position, char** entry, size_t* length);

// True when the entry of `length` bytes starts with `tag`, ignoring ASCII letter case; *argument
// is then the rest of the entry, unchanged.
bool StartsWithTag(char* entry, size_t length, const char* tag, char** argument);
