#pragma once
// Applying the install log: every tagged entry, in file order.
#include "sysops/error_record.h"

// Reports only failures to read the log (a path that is not a file among them): nothing was
// applied then. What became of each entry is in the outcome.
Status ProcessInstallLog(const char* path);

// Guards and walks one "dirw:" argument (exposed for the tests). The walk notes each entry's
// outcome itself; the Status tells only of a refusal before the walk (nothing was touched).
Status RemoveTreeEntry(const char* argument);
