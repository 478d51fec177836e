#include "removal/entries/users_own.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "removal/entries/registry_entry.h"
#include "removal/results/outcome.h"
#include "removal/results/outcome_lines.h"

// Nothing the log named below `place` stays for another reason, as far as the lines tell.
static bool NothingOfTheLogKeptBelow(const wchar_t* place)
{
    return Outcome.linesLeftOut == 0 && !AnyKeptBelow(place);
}

// The entries of `folder`, in the file system's own names. Only their names are read, for the
// report: nothing is done to them.
static void ListFolder(const wchar_t* folder, HeldNames* names)
{
    size_t length = wcslen(folder);
    wchar_t* pattern = static_cast<wchar_t*>(malloc((length + 3) * sizeof(wchar_t)));
    if (!pattern)
        return;
    wmemcpy(pattern, folder, length);
    if (length == 0 || folder[length - 1] != L'\\')
        pattern[length++] = L'\\';
    wmemcpy(pattern + length, L"*", 2);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    free(pattern);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (wcscmp(found.cFileName, L".") != 0 && wcscmp(found.cFileName, L"..") != 0)
            AddHeldName(names, found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

bool NoteIfUsersFolder(const wchar_t* path)
{
    if (!NothingOfTheLogKeptBelow(path))
        return false;
    HeldNames names = {};
    ListFolder(path, &names);
    NoteUsersOwn(false, path, names);
    return true;
}

static void TakeSubkey(const wchar_t* name, void* names)
{
    AddHeldName(static_cast<HeldNames*>(names), name);
}

bool NoteIfUsersKey(char* text)
{
    size_t length = strlen(text);
    // Only a key goes whole; a value that stays is the product's.
    if (length == 0 || text[length - 1] != '\\')
        return false;
    wchar_t* wide = static_cast<wchar_t*>(malloc((length + 1) * sizeof(wchar_t)));
    if (!wide)
        return false;
    int converted = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, static_cast<int>(length + 1));
    HeldNames names = {};
    if (converted > 0 && NothingOfTheLogKeptBelow(wide))
        ForEachSubkey(text, TakeSubkey, &names);
    // Without subkeys it was not they that kept the key: the system refused it for its reason.
    bool yours = names.count > 0;
    if (yours)
        NoteUsersOwn(true, wide, names);
    free(wide);
    return yours;
}
