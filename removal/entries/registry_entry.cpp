#include "removal/entries/registry_entry.h"

#include <cstdlib>
#include <cstring>

#include "removal/safety/protected_places.h"
#include "sysops/checked.h"
#include "text/registry_path.h"

// The predefined key for a full or short root name, or null.
static HKEY ParseRootKey(const char* name, size_t length)
{
    static const HKEY Roots[RootCount] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER,
                                          HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_CURRENT_CONFIG};
    int index = RootNameIndex(name, length);
    return index < 0 ? nullptr : Roots[index];
}

// A log lists a key's values one after another: they are deleted through one handle, kept open
// until another key is named, a key is deleted, or the log ends.
static HKEY HeldKey;
static HKEY HeldRoot;
static char* HeldPath;

void ReleaseRegistryKey()
{
    if (HeldKey)
        CheckedRegCloseKey(HeldKey);
    HeldKey = nullptr;
    free(HeldPath);
    HeldPath = nullptr;
}

static Status HoldKey(HKEY root, const char* keyPath)
{
    ReleaseRegistryKey();
    size_t size = strlen(keyPath) + 1;
    auto* copy = static_cast<char*>(malloc(size));
    if (!copy)
        return FailWithCode(ERROR_NOT_ENOUGH_MEMORY, "RegOpenKey", "%s", keyPath);
    Status status = CheckedRegOpenKey(root, keyPath, 0, KEY_ALL_ACCESS, &HeldKey);
    if (status) {
        free(copy);
        return status;
    }
    memcpy(copy, keyPath, size);
    HeldPath = copy;
    HeldRoot = root;
    return Succeeded;
}

static Status DeleteValue(HKEY root, const char* keyPath, const char* valueName)
{
    bool held = HeldKey && HeldRoot == root && strcmp(HeldPath, keyPath) == 0;
    Status status = held ? Succeeded : HoldKey(root, keyPath);
    if (!status)
        status = CheckedRegDeleteValue(HeldKey, valueName);
    // Deleted by someone else since it was opened: the key of that name now is another.
    if (held && status && status->code == ERROR_KEY_DELETED) {
        ReleaseRegistryKey();
        return DeleteValue(root, keyPath, valueName);
    }
    return status;
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
    if (!*parts.valueName)
        ReleaseRegistryKey();
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
