#pragma once
// Applying the install log: every tagged entry, in file order.
#include "sysops/error_record.h"

// Reports only failures to read the log (a path that is not a file among them): nothing was
// applied then. What became of each entry is in the outcome.
Status ProcessInstallLog(const char* path);

// Called, when set, once the log is read and the running programs whose files it removes are
// found (removal/running/running_programs.h), before its first entry is applied.
extern void (*BeforeFirstEntry)();
