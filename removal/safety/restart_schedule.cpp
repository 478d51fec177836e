#include "removal/safety/restart_schedule.h"

#include <windows.h>

#include <sddl.h>

#include <cstdlib>
#include <cwchar>

#include "removal/safety/path_walk.h"
#include "removal/safety/private_folder.h"
#include "sysops/checked.h"
#include "sysops/handle_ops.h"
#include "text/path_text.h"

// The accounts that may change a folder without making the path unsafe: those of the
// administrators and of the system itself.
static const WELL_KNOWN_SID_TYPE TrustedAccounts[] = {WinBuiltinAdministratorsSid,
                                                      WinLocalSystemSid};
static const wchar_t TrustedInstaller[] =
    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

// What lets a holder rename or delete the folder or the entries in it, or add new ones (a link
// among them), or give itself any of that.
constexpr ACCESS_MASK ChangesEntries = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD |
                                       DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                       GENERIC_ALL | MAXIMUM_ALLOWED;

static bool IsTrusted(PSID sid)
{
    for (WELL_KNOWN_SID_TYPE type : TrustedAccounts)
        if (IsWellKnownSid(sid, type))
            return true;
    // Its SID is derived from the service's name: built from the text, not from a lookup.
    PSID installer;
    if (!ConvertStringSidToSidW(TrustedInstaller, &installer))
        return false;
    bool same = EqualSid(sid, installer);
    LocalFree(installer);
    return same;
}

// An entry of an access list that lets someone untrusted change the folder's entries.
static bool OpensFolder(const ACE_HEADER* header)
{
    if (header->AceFlags & INHERIT_ONLY_ACE)
        return false;
    bool denies = header->AceType == ACCESS_DENIED_ACE_TYPE ||
                  header->AceType == ACCESS_DENIED_OBJECT_ACE_TYPE ||
                  header->AceType == ACCESS_DENIED_CALLBACK_ACE_TYPE ||
                  header->AceType == ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE;
    // An allowing entry of another layout is not read: it is taken to let users in.
    if (denies || header->AceType == SYSTEM_MANDATORY_LABEL_ACE_TYPE)
        return false;
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE &&
        header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE)
        return true;
    const ACCESS_ALLOWED_ACE* allowed = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
    return (allowed->Mask & ChangesEntries) &&
           !IsTrusted(const_cast<DWORD*>(&allowed->SidStart));
}

// Whether anyone but the trusted accounts owns `folder`, or is allowed to change its entries.
static bool UsersMayChange(const wchar_t* folder)
{
    PSID owner;
    PACL access;
    PSECURITY_DESCRIPTOR descriptor;
    if (CheckedFolderSecurity(folder, &owner, &access, &descriptor))
        return true;
    // No access list at all lets everyone do everything.
    bool open = !owner || !IsTrusted(owner) || !access;
    for (DWORD i = 0; !open && i < access->AceCount; ++i) {
        void* header;
        open = !GetAce(access, i, &header) || OpensFolder(static_cast<ACE_HEADER*>(header));
    }
    LocalFree(descriptor);
    return open;
}

// The tree walk names a drive's entries in the \\?\ form, which the final path leaves out.
static const wchar_t* DrivePath(const wchar_t* path)
{
    return wcsncmp(path, L"\\\\?\\", 4) == 0 && path[5] == L':' ? path + 4 : path;
}

// The first folder on the path of `path`, below the volume's root, that users may change, into
// `folder` (as long as `path`); false when there is none.
static bool FolderUsersMayChange(const wchar_t* path, wchar_t* folder)
{
    const wchar_t* drivePath = DrivePath(path);
    size_t root = static_cast<size_t>(drivePath - path) + 3;
    wcscpy(folder, path);
    // Only a drive path is judged: any other form is taken for one that users may change.
    if (wcslen(drivePath) < 3 || drivePath[1] != L':' || drivePath[2] != L'\\') {
        folder[0] = L'\0';
        return true;
    }
    for (wchar_t* cut = wcschr(folder + root, L'\\'); cut; cut = wcschr(cut + 1, L'\\')) {
        *cut = L'\0';
        if (UsersMayChange(folder))
            return true;
        *cut = L'\\';
    }
    return false;
}

static Status ScheduleInPlace(const wchar_t* path)
{
    wchar_t* folder = static_cast<wchar_t*>(malloc((wcslen(path) + 1) * sizeof(wchar_t)));
    if (!folder)
        return FailForPath(ERROR_NOT_ENOUGH_MEMORY, "Restart schedule", path);
    Status status = Succeeded;
    if (FolderUsersMayChange(path, folder))
        status = FailWithCode(ERROR_SHARING_VIOLATION, "Restart schedule",
                              "%ls: in use, and %ls lets users change the path before the restart",
                              path, folder[0] ? folder : L"its folder");
    free(folder);
    return status ? status : CheckedScheduleRemovalAtRestart(path);
}

// Reached by the walk, as every path the program acts on: nothing through a link is moved or
// scheduled.
static Status OpenForMoving(const wchar_t* path, DWORD access, HANDLE* file)
{
    return OpenByWalk(path, ViewOfThisProgram, access,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0, file);
}

// The file behind `file` into the private folder under a name of its own; `moved` receives
// where it went.
static Status MoveAside(HANDLE file, const wchar_t* path, wchar_t* moved, size_t size)
{
    static unsigned long movedCount;
    wchar_t name[16];
    _snwprintf(name, 16, L"%08lu.del", ++movedCount);
    name[15] = L'\0';
    if (!InPrivateFolder(name, moved, size))
        return FailWithCode(ERROR_CANT_ACCESS_FILE, "Restart schedule", "%ls", path);
    return CheckedRenameByHandle(file, moved);
}

// The entry behind `entry` where it lies, by the path the system reached it by: a 32-bit
// program asks for System32 and reaches SysWOW64, while the restart, run by the system itself,
// would look the asked name up in the 64-bit System32 and remove another file.
static Status ScheduleWhereReached(HANDLE entry)
{
    auto* reached = static_cast<wchar_t*>(malloc(WidePathLimit * sizeof(wchar_t)));
    if (!reached)
        return FailWithCode(ERROR_NOT_ENOUGH_MEMORY, "Restart schedule", nullptr);
    Status status = CheckedFinalPath(entry, reached, WidePathLimit);
    if (!status)
        status = ScheduleInPlace(reached);
    free(reached);
    return status;
}

Status HandToRestart(HANDLE entry, const wchar_t* path, bool movable)
{
    BY_HANDLE_FILE_INFORMATION information;
    Status status = CheckedHandleInformation(entry, &information);
    if (status)
        return status;
    const DWORD notPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    if (movable && !(information.dwFileAttributes & notPlain)) {
        wchar_t moved[MAX_PATH];
        if (!MoveAside(entry, path, moved, MAX_PATH))
            return CheckedScheduleRemovalAtRestart(moved);
    }
    return ScheduleWhereReached(entry);
}

Status HandToRestart(const wchar_t* path)
{
    HANDLE file;
    bool movable = !OpenForMoving(path, DELETE, &file);
    // Held open without delete sharing: it can still be looked at, to be named rightly.
    Status status = movable ? Succeeded : OpenForMoving(path, 0, &file);
    if (!status) {
        status = HandToRestart(file, path, movable);
        CloseHandle(file);
    }
    // The folders on its path go after it: none stays held.
    ReleaseWalkedFolders();
    return status;
}
