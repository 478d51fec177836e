#pragma once
// Deleting the registry value or key that one "key:" entry names.
#include <windows.h>

#include "sysops/error_record.h"

// "ROOT\key path\value" deletes the value; "ROOT\key path\" deletes the key. `text` is changed
// during the call and restored before it returns. A text with fewer than two backslashes names
// nothing to delete and fails with ERROR_INVALID_PARAMETER.
Status RemoveRegistryEntry(char* text);
