#pragma once
// The run's private folder: made once, when first needed, under the Windows folder's Temp with a
// fresh random name, open to Administrators and SYSTEM alone. The copy of the program and the
// files handed to the restart go there, where no user can put a link in their way.
#include "sysops/error_record.h"

// The folder's path, without a trailing backslash (ASCII unless the Windows folder's own path is
// not); the folder is made and checked at the first call, and stays held open for the run.
Status PrivateFolder(const wchar_t** path);

// `name` inside the private folder, into `out` (`size` characters). False when it does not fit
// or no private folder can be had.
bool InPrivateFolder(const wchar_t* name, wchar_t* out, size_t size);

// At the end of the run: the folder goes now when it is empty, else at the next restart, after
// everything this run scheduled inside it.
void ReleasePrivateFolder();

// At the end of a run whose helper, running from the folder, takes it away as it ends: the folder
// is let go, neither removed nor scheduled.
void LeavePrivateFolder();
