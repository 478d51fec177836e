#pragma once
// Deleting the registry value or key that one "key:" entry names.
#include <windows.h>

#include "sysops/error_record.h"

// "ROOT\key path\value" deletes the value; "ROOT\key path\" deletes the key. `text` is changed
// during the call and restored before it returns. A text with fewer than two backslashes names
// nothing to delete and fails with ERROR_INVALID_PARAMETER.
// Consecutive values of one key are deleted through one handle, held until ReleaseRegistryKey.
Status RemoveRegistryEntry(char* text);
void ReleaseRegistryKey();

// Calls `take` with the name of each subkey of the key that `text` ("ROOT\key path\") names, in
// the system's own spelling; none for a key right below a root, or one that cannot be opened.
// `text` is changed during the call and restored before it returns.
void ForEachSubkey(char* text, void (*take)(const wchar_t* name, void* context), void* context);
