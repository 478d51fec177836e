#pragma once
// The removal of one file or directory and the rules for its outcome, as the tree walk and the
// log's own entries share them. Paths are as the file system spells them (the \\?\ form too).
// Each procedure notes its outcome and returns it.
#include <cstdint>

#include "removal/outcome.h"
#include "sysops/error_record.h"

// Deletes a file, making it writable first when it is read-only; one in use is scheduled for
// removal at the next restart.
OutcomeKind RemoveFileThoroughly(const wchar_t* path);

// A file whose attributes are known: a read-only one is made writable first.
OutcomeKind DeleteKnownFile(const wchar_t* path, uint32_t attributes);

// Takes the result of removing `path`: removed, already absent, in use (a sharing violation;
// access denied too when `deniedMeansInUse`) and so scheduled at restart, or kept.
OutcomeKind SettleRemoval(Status status, const wchar_t* path, bool deniedMeansInUse);

// At restart when Windows takes the path into its schedule, else kept.
OutcomeKind ScheduleAtRestart(const wchar_t* path);

// `path`, as the file system spells it, names the program's own file or a directory above it:
// it is deferred for the helper, in the ANSI form, which names the same entry only when it is
// the exact conversion. The caller notes it removed.
bool DeferIfOwnPathInTree(const wchar_t* path);
