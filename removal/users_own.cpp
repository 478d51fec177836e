#include "removal/users_own.h"

#include <windows.h>

#include <cstring>

#include "removal/outcome.h"
#include "removal/path_text.h"
#include "removal/protected_places.h"
#include "removal/registry_entry.h"
#include "removal/registry_path.h"

// Nothing the log named below `place` stays for another reason.
static bool NothingOfTheLogKeptBelow(const char* place)
{
    return Outcome.linesLeftOut == 0 && !AnyKeptBelow(place);
}

// The system's own spelling of a name, whatever the code page can hold: the report is UTF-8.
static void AddWideName(HeldNames* names, const wchar_t* name)
{
    char text[256 * 3];
    int length = WideCharToMultiByte(CP_UTF8, 0, name, -1, text, sizeof text, nullptr, nullptr);
    AddHeldName(names, length > 0 ? text : "?");
}

// The entries of `folder`, listed through the wide calls so that every name is exact.
static void ListFolder(const char* folder, HeldNames* names)
{
    char pattern[PathBufferSize];
    wchar_t widePattern[PathBufferSize];
    if (!CopyBounded(pattern, sizeof pattern, folder) ||
        !AppendComponent(pattern, sizeof pattern, "*") ||
        !MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, pattern, -1, widePattern,
                             PathBufferSize))
        return;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(widePattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (lstrcmpW(found.cFileName, L".") != 0 && lstrcmpW(found.cFileName, L"..") != 0)
            AddWideName(names, found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

bool NoteIfUsersFolder(const char* path)
{
    if (!NothingOfTheLogKeptBelow(path))
        return false;
    HeldNames names = {};
    ListFolder(path, &names);
    NoteUsersOwn(false, path, names);
    return true;
}

// The subkeys of the key that `text` ("root\key path\") names. A key right below a root is
// refused before it is tried, and is never the user's.
static void ListSubkeys(char* text, HeldNames* names)
{
    RegistryArgument parts;
    if (!SplitRegistryArgument(text, &parts))
        return;
    if (IsTopLevelKeyPath(parts.keyPath)) {
        RestoreRegistryArgument(parts);
        return;
    }
    HKEY key;
    HKEY root = ParseRootKey(parts.root, parts.rootLength);
    if (root && RegOpenKeyExA(root, parts.keyPath, 0, KEY_ENUMERATE_SUB_KEYS, &key) == 0) {
        wchar_t name[256];
        for (DWORD index = 0;; ++index) {
            DWORD length = 256;
            if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr))
                break;
            AddWideName(names, name);
        }
        RegCloseKey(key);
    }
    RestoreRegistryArgument(parts);
}

bool NoteIfUsersKey(char* text)
{
    size_t length = strlen(text);
    // Only a key goes whole; a value that stays is the product's.
    if (length == 0 || text[length - 1] != '\\' || !NothingOfTheLogKeptBelow(text))
        return false;
    HeldNames names = {};
    ListSubkeys(text, &names);
    // Without subkeys it was not they that kept the key: the system refused it for its reason.
    if (names.count == 0)
        return false;
    NoteUsersOwn(true, text, names);
    return true;
}
