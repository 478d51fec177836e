#include "removal/safety/protected_places.h"

#include <windows.h>

#include <cstdlib>

#include "text/folder_spelling.h"
#include "text/path_text.h"

// Where a folder lies on disk. Every spelling of one folder, however it reaches it, opens the
// same folder and so gives the same identity.
struct FolderIdentity {
    DWORD volume;
    DWORD indexHigh;
    DWORD indexLow;
};

struct ProtectedFolder {
    char path[PathBufferSize];  // resolved full path without a trailing backslash
    FolderIdentity identity;
    bool identified;
};

// Made on the heap at the first use: as a fixed array it would be stored, all zeros, in the
// program's file.
constexpr size_t MaxProtectedFolders = 64;
static ProtectedFolder* Folders;
static size_t FolderCount;
static bool FoldersFound;

static const char* const FolderVariables[] = {
    "SystemRoot", "windir", "ProgramFiles", "ProgramFiles(x86)", "CommonProgramFiles",
    "CommonProgramFiles(x86)", "ProgramData", "ALLUSERSPROFILE", "PUBLIC", "USERPROFILE",
};

static const char* const ProfileListNames[] = {"ProfilesDirectory", "Default", "Public",
                                               "ProgramData", nullptr};
// A 32-bit program on 64-bit Windows sees the 32-bit Program Files as %ProgramFiles%; the other
// one it learns from the system's 64-bit view of the registry, never from a variable that the
// user's environment could set.
static const char* const ProgramFilesNames[] = {"ProgramFilesDir", "ProgramFilesDir (x86)",
                                                "CommonFilesDir", "CommonFilesDir (x86)",
                                                nullptr};
static const char* const SystemTemporaryNames[] = {"TEMP", "TMP", nullptr};
static const char* const UserFolderNames[] = {"Desktop", "Personal", "Start Menu", "Programs",
                                              "Startup", "AppData", "Local AppData", nullptr};
static const char* const CommonFolderNames[] = {"Common Desktop", "Common Documents",
                                                "Common Start Menu", "Common Programs",
                                                "Common Startup", "Common AppData", nullptr};

#define EXPLORER_KEY "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer"

// Registry values that name folders. "User Shell Folders" holds the current places, with
// environment strings in them; "Shell Folders" an older copy, read as well in case it differs.
struct FolderKey {
    HKEY root;
    const char* path;
    const char* const* names;
};
static const FolderKey FolderKeys[] = {
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", ProgramFilesNames},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList",
     ProfileListNames},
    {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment",
     SystemTemporaryNames},
    {HKEY_CURRENT_USER, EXPLORER_KEY "\\User Shell Folders", UserFolderNames},
    {HKEY_CURRENT_USER, EXPLORER_KEY "\\Shell Folders", UserFolderNames},
    {HKEY_LOCAL_MACHINE, EXPLORER_KEY "\\User Shell Folders", CommonFolderNames},
    {HKEY_LOCAL_MACHINE, EXPLORER_KEY "\\Shell Folders", CommonFolderNames},
};

// The full path that Windows acts on for `path`, without trailing backslashes; false for what
// does not fit, and for a drive or share root, which no entry reaches anyway.
static bool ResolveFolderPath(const char* path, char* resolved)
{
    DWORD length = GetFullPathNameA(path, PathBufferSize, resolved, nullptr);
    return length > 0 && length < PathBufferSize && TrimFolderPath(resolved);
}

// Opening follows junctions and links, as removing through them would. A file system that
// gives no file index tells nothing.
static bool IdentifyFolder(const char* path, FolderIdentity* identity)
{
    HANDLE folder = CreateFileA(path, FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION information;
    bool known = GetFileInformationByHandle(folder, &information) &&
                 (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                 (information.nFileIndexHigh | information.nFileIndexLow) != 0;
    CloseHandle(folder);
    if (!known)
        return false;
    *identity = {information.dwVolumeSerialNumber, information.nFileIndexHigh,
                 information.nFileIndexLow};
    return true;
}

static void AddFolder(const char* path)
{
    if (FolderCount == MaxProtectedFolders)
        return;
    ProtectedFolder& folder = Folders[FolderCount];
    if (!ResolveFolderPath(path, folder.path))
        return;
    for (size_t i = 0; i < FolderCount; ++i)
        if (SameFolderSpelling(Folders[i].path, folder.path))
            return;
    folder.identified = IdentifyFolder(folder.path, &folder.identity);
    ++FolderCount;
}

// `length` is what the call that filled `path` returned: 0 on failure, the size it needs when
// the buffer is too small.
static void AddReturnedFolder(const char* path, size_t length)
{
    if (length > 0 && length < PathBufferSize)
        AddFolder(path);
}

static void AddSystemFolders()
{
    char path[PathBufferSize];
    AddReturnedFolder(path, GetSystemDirectoryA(path, sizeof path));
    AddReturnedFolder(path, GetSystemWow64DirectoryA(path, sizeof path));
    AddReturnedFolder(path, GetSystemWindowsDirectoryA(path, sizeof path));
    UINT length = GetWindowsDirectoryA(path, sizeof path);
    AddReturnedFolder(path, length);
    // A 32-bit program on 64-bit Windows reaches the 64-bit System32 through this name, which
    // no listing of the Windows folder shows.
    if (length > 0 && length < sizeof path && AppendComponent(path, sizeof path, "Sysnative"))
        AddFolder(path);
    for (const char* name : FolderVariables)
        AddReturnedFolder(path, GetEnvironmentVariableA(name, path, sizeof path));
}

static void AddExpandedFolder(const char* value)
{
    char expanded[PathBufferSize];
    // Counts the terminator, unlike the other calls here.
    DWORD length = ExpandEnvironmentStringsA(value, expanded, sizeof expanded);
    if (length > 0 && length <= sizeof expanded)
        AddFolder(expanded);
}

static void AddValueFolder(HKEY key, const char* name)
{
    char value[PathBufferSize];
    DWORD type;
    DWORD size = sizeof value - 1;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
        ERROR_SUCCESS)
        return;
    value[size] = '\0';  // a stored string need not end with a terminator
    if (type == REG_EXPAND_SZ)
        AddExpandedFolder(value);
    else if (type == REG_SZ)
        AddFolder(value);
}

static void AddKeyFolders(const FolderKey& source)
{
    HKEY key;
    // The 32-bit program reads the values a 64-bit one would; 32-bit Windows ignores the flag.
    if (RegOpenKeyExA(source.root, source.path, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) !=
        ERROR_SUCCESS)
        return;
    for (const char* const* name = source.names; *name; ++name)
        AddValueFolder(key, *name);
    RegCloseKey(key);
}

static void FindProtectedFolders()
{
    if (FoldersFound)
        return;
    FoldersFound = true;
    Folders = static_cast<ProtectedFolder*>(calloc(MaxProtectedFolders, sizeof *Folders));
    if (!Folders)
        return;
    AddSystemFolders();
    for (const FolderKey& source : FolderKeys)
        AddKeyFolders(source);
}

bool IsProtectedFolder(const char* path)
{
    FindProtectedFolders();
    // Without the list no folder can be told apart from a protected one.
    if (!Folders)
        return true;
    char resolved[PathBufferSize];
    if (!ResolveFolderPath(path, resolved))
        return false;
    for (size_t i = 0; i < FolderCount; ++i)
        if (SameFolderSpelling(Folders[i].path, resolved))
            return true;
    return false;
}

bool IsProtectedFolder(HANDLE opened, uint64_t index)
{
    FindProtectedFolders();
    if (!Folders)
        return true;
    for (size_t i = 0; i < FolderCount; ++i) {
        const FolderIdentity& folder = Folders[i].identity;
        if (!Folders[i].identified || folder.indexHigh != index >> 32 ||
            folder.indexLow != static_cast<DWORD>(index))
            continue;
        // Only then is the volume asked: that question costs more than a deletion on some
        // systems. What cannot be told apart from a protected folder is taken for one, and a
        // volume that answers with no serial at all (its manager gone) tells nothing.
        BY_HANDLE_FILE_INFORMATION information;
        if (!GetFileInformationByHandle(opened, &information) ||
            information.dwVolumeSerialNumber == 0 ||
            information.dwVolumeSerialNumber == folder.volume)
            return true;
    }
    return false;
}

bool IsTopLevelKeyPath(const char* keyPath)
{
    size_t names = 0;
    for (const char* at = keyPath; *at; ++at)
        if (*at != '\\' && (at == keyPath || at[-1] == '\\'))
            ++names;
    return names <= 1;
}

Status RefuseProtected(const char* label, const char* text)
{
    return FailWithCode(ERROR_ACCESS_DENIED, label, "%s", text);
}
