#pragma once
// Removing a directory with everything below it, depth first.
#include <windows.h>

#include "removal/outcome.h"
#include "sysops/entry_info.h"
#include "sysops/error_record.h"

// The search handle of the enumeration in progress, or null. Each level of the walk saves and
// restores it, so that every directory has its own enumeration.
extern HANDLE FindHandle;

// `path` is a buffer of PathBufferSize characters that the walk extends and cuts back in place;
// afterwards it holds the path it was called with, less one trailing backslash. An entry that
// stays, and the directories above it, are left, and the walk goes on with the rest. Every file
// and directory is noted in the outcome; the worst of them comes back.
OutcomeKind RemoveTree(char* path, const char* pattern);

// The next entry of `directory` other than "." and "..", or *done = 1 when none is left.
Status NextDirectoryEntry(const char* directory, const char* pattern, EntryInfo* info, int* done);

// The removal of single entries, as the tree walk and the log's own entries share it. Each notes
// its outcome and returns it.

// Deletes a file, making it writable first when it is read-only; one in use is scheduled for
// removal at the next restart.
OutcomeKind RemoveFileThoroughly(const char* path);

// Takes the result of removing `path`: removed, already absent, in use (a sharing violation;
// access denied too when `deniedMeansInUse`) and so scheduled at restart, or kept.
OutcomeKind SettleRemoval(Status status, const char* path, bool deniedMeansInUse);

// At restart when Windows takes the path into its schedule, else kept.
OutcomeKind ScheduleAtRestart(const char* path);
