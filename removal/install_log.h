#pragma once
// Applying the install log: every tagged entry, in file order.
#include "sysops/error_record.h"

// Reports only failures to read the log; the result of each entry is dropped.
Status ProcessInstallLog(const char* path);

// Guards and walks one "dirw:" argument (exposed for the tests).
Status RemoveTreeEntry(const char* argument);
