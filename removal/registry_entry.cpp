#include "removal/registry_entry.h"

#include "removal/protected_places.h"
#include "removal/registry_path.h"
#include "sysops/checked.h"

// The predefined key for a full or short root name, or null.
static HKEY ParseRootKey(const char* name, size_t length)
{
    static const HKEY Roots[RootCount] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER,
                                          HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_CURRENT_CONFIG};
    int index = RootNameIndex(name, length);
    return index < 0 ? nullptr : Roots[index];
}

static Status DeleteValue(HKEY root, const char* keyPath, const char* valueName)
{
    HKEY key;
    Status status = CheckedRegOpenKey(root, keyPath, 0, KEY_ALL_ACCESS, &key);
    if (status)
        return status;
    Status deleted = CheckedRegDeleteValue(key, valueName);
    Status closed = CheckedRegCloseKey(key);
    return deleted ? deleted : closed;
}

Status RemoveRegistryEntry(char* text)
{
    RegistryArgument parts;
    // Such an entry names neither a value nor a key below a root: nothing can be removed.
    if (!SplitRegistryArgument(text, &parts))
        return FailWithCode(ERROR_INVALID_PARAMETER, "RemoveRegistryEntry", "%s", text);
    if (!*parts.valueName && IsTopLevelKeyPath(parts.keyPath)) {
        RestoreRegistryArgument(parts);
        return RefuseProtected("RegDeleteKey", text);
    }
    HKEY root = ParseRootKey(parts.root, parts.rootLength);
    Status status = *parts.valueName ? DeleteValue(root, parts.keyPath, parts.valueName)
                                     : CheckedRegDeleteKey(root, parts.keyPath);
    RestoreRegistryArgument(parts);
    return status;
}

void ForEachSubkey(char* text, void (*take)(const wchar_t* name, void* context), void* context)
{
    RegistryArgument parts;
    if (!SplitRegistryArgument(text, &parts))
        return;
    HKEY root = ParseRootKey(parts.root, parts.rootLength), key;
    if (root && !IsTopLevelKeyPath(parts.keyPath) &&
        RegOpenKeyExA(root, parts.keyPath, 0, KEY_ENUMERATE_SUB_KEYS, &key) == ERROR_SUCCESS) {
        wchar_t name[256];
        DWORD length = 256;
        for (DWORD index = 0; !RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr,
                                             nullptr);
             ++index, length = 256)
            take(name, context);
        RegCloseKey(key);
    }
    RestoreRegistryArgument(parts);
}
