#pragma once
// Applying the install log: every tagged entry, in file order.
#include "sysops/error_record.h"

// Reports only failures to read the log (a path that is not a file among them): nothing was
// applied then. What became of each entry is in the outcome.
Status ProcessInstallLog(const char* path);
