#pragma once
// What may be left to the next restart. The system looks the scheduled paths up again only as
// it restarts, elevated: a path through a folder that a user can rename, or fill with a link,
// would by then name whatever that user chose. So a file goes to the restart only from where
// no user can change its path: moved first into the run's private folder, or where it is, when
// no folder on its path lets a user delete, rename or create entries.
#include <windows.h>

#include "sysops/error_record.h"

// Hands the entry held as `entry` (the very one the program tried to remove, `path` for the
// record) to the next restart: a plain file, when `movable` (held with DELETE access), is moved
// into the private folder and scheduled there; otherwise the entry is scheduled where the system
// reached it, when that path is safe from users. Otherwise a Status whose record tells that the
// entry is in use and why it stays. The caller notes the outcome.
Status HandToRestart(HANDLE entry, const wchar_t* path, bool movable);

// The same for `path`, opened for that (and for what the program does with it).
Status HandToRestart(const wchar_t* path);
