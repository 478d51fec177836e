#pragma once
// The folders and registry keys that Windows and its users live in. The install log lies in the
// product's folder, which ordinary users may be able to write, while the uninstaller runs with
// administrator rights: no entry of the log may empty or remove one of these places.
#include <windows.h>

#include <cstdint>

#include "sysops/error_record.h"

// True when `path` names one of the protected folders itself by its resolved full path (ASCII
// letter case and trailing backslashes aside); folders inside one stay allowed. The folders are
// found from the system on the first call and kept for the run: the Windows, system and
// temporary folders of Windows, the Program Files and ProgramData folders, the folder of the
// user profiles, and the user's and the shared profile folders.
bool IsProtectedFolder(const char* path);

// The same for the folder held as `opened`, with the file index `index`, however it was spelled
// (a short name, a path through a junction): it is one of them on disk (volume serial and file
// index).
bool IsProtectedFolder(HANDLE opened, uint64_t index);

// True when the key path of a "key:" argument (what lies between the root and the last
// backslash) names a key directly below a root, such as "Software" or "SYSTEM\".
bool IsTopLevelKeyPath(const char* keyPath);

// Every entry refused for naming a protected place ends here: the record gets
// ERROR_ACCESS_DENIED, `label` and `text`, and the log goes on with the next entry.
Status RefuseProtected(const char* label, const char* text);
