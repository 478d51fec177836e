#pragma once
// The removal of one file or directory and the rules for its outcome, as the tree walk and the
// log's own entries share them. Each entry is opened once, never through a link at its own name,
// judged by what that handle shows, and removed through it. Paths are as the file system spells
// them (the \\?\ form too). Each procedure notes its outcome and returns it.
#include <windows.h>

#include <cstdint>

#include "removal/results/outcome.h"
#include "sysops/error_record.h"

// Where an entry is opened: by its whole path (`directory` null), reached by the walk of
// removal/safety/path_walk.h, or by its `name` inside a directory the caller holds. `path` is its
// whole path either way, for the outcome and records.
struct EntryPlace {
    HANDLE directory;
    const wchar_t* name;
    size_t length;
    const wchar_t* path;
};

// Opens the entry at `place` with `access` and the share modes `share`, never following a link
// at its name; `options` adds native open options for an entry below a directory.
Status OpenEntryAt(const EntryPlace& place, DWORD access, DWORD share, DWORD options,
                   HANDLE* opened);

// Removes the file at `place` (a directory is refused), making it writable first when it is
// read-only; one in use goes to the restart. With `mayBeOwn`, the program's own file, by any
// spelling, is deferred for the helper instead.
OutcomeKind RemoveFileAt(const EntryPlace& place, bool mayBeOwn);

// Takes the result of removing the entry held as `entry`: removed, already absent, in use (a
// running program's image, which refuses deletion with access denied, when `deniedMeansInUse`)
// and so handed to the restart, or kept.
OutcomeKind SettleRemoval(Status status, HANDLE entry, const wchar_t* path,
                          bool deniedMeansInUse);

// The entry at `place` could not be opened for its removal (`status`): gone since it was named,
// held by a program that shares no deletion (then it goes at the restart, by the name the system
// reaches it by, or with `mayBeOwn` to the helper when it is the program's own), or kept for the
// record's reason.
OutcomeKind SettleUnopened(Status status, const EntryPlace& place, bool mayBeOwn);

// At restart when Windows takes the entry held as `entry` into its schedule, else kept.
OutcomeKind ScheduleAtRestart(HANDLE entry, const wchar_t* path, bool movable);

// The entry with this identity (file index and volume serial) is the program's own file or a
// folder above it: it is deferred for the helper, under the program's own spelling, and the
// caller notes it removed.
bool DeferIfOwnEntry(uint64_t index, DWORD volume);
// The same for the entry held as `held`, whose index is known: its volume is asked only when the
// index is one of the program's.
bool DeferIfOwnEntry(HANDLE held, uint64_t index);

// The file index that `information` tells.
uint64_t IndexOf(const BY_HANDLE_FILE_INFORMATION& information);
