#pragma once
// What may be left to the next restart. The system looks the scheduled paths up again only as
// it restarts, elevated: a path through a folder that a user can rename, or fill with a link,
// would by then name whatever that user chose. So a file goes to the restart only from where
// no user can change its path: moved first into the run's private folder, or where it is, when
// no folder on its path lets a user delete, rename or create entries.
#include "sysops/error_record.h"

// Whether `failure`, the refusal to remove `path` (a full path), means that it is in use: a
// sharing violation; access denied only for a running program's image, which can be renamed
// through a handle even so, where any other refusal could not.
bool IsInUse(Status failure, const wchar_t* path);

// Hands `path`, in use, to the next restart: a file is moved into the private folder and
// scheduled there; a file that cannot be moved, and a directory, are scheduled where they are
// when their path is safe from users. Otherwise a Status whose record tells that the entry is
// in use and why it stays. The caller notes the outcome.
Status HandToRestart(const wchar_t* path);
