#include "removal/safety/private_folder.h"

#include <windows.h>
#include <ntsecapi.h>

#include <cwchar>

#include "sysops/checked.h"
#include "sysops/handle_ops.h"

static wchar_t Folder[MAX_PATH];
// The folder held open, without delete sharing: nobody renames it or deletes it meanwhile.
static HANDLE FolderHandle;
constexpr int FreshNameAttempts = 8;

static bool SamePathIgnoringCase(const wchar_t* a, const wchar_t* b)
{
    for (; *a && *b; ++a, ++b)
        if (towlower(*a) != towlower(*b))
            return false;
    return *a == *b;
}

// A directory, not a link to one, and reached by the very path asked for: a folder that someone
// else made first, or swapped in, fails one of these.
static Status CheckFolder(const wchar_t* path, HANDLE* folder)
{
    Status status = CheckedHoldFolder(path, folder);
    if (status)
        return status;
    wchar_t reached[MAX_PATH];
    status = CheckedFinalPath(*folder, reached, MAX_PATH);
    if (!status && !SamePathIgnoringCase(reached, path))
        status = FailWithCode(ERROR_CANT_ACCESS_FILE, "CreateDirectory", "%ls", path);
    if (status)
        CloseHandle(*folder);
    return status;
}

// "<Windows>\Temp\Vantrel-" and 16 random hexadecimal digits.
static Status FreshFolderName(wchar_t* out, size_t size)
{
    wchar_t windows[MAX_PATH];
    UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return FailWithLastError("GetWindowsDirectory", nullptr);
    unsigned long random[2];
    if (!RtlGenRandom(random, sizeof random))
        return FailWithCode(ERROR_GEN_FAILURE, "RtlGenRandom", nullptr);
    int written = _snwprintf(out, size, L"%ls\\Temp\\Vantrel-%08lx%08lx", windows, random[0],
                             random[1]);
    if (written < 0 || static_cast<size_t>(written) >= size)
        return FailWithCode(ERROR_FILENAME_EXCED_RANGE, "CreateDirectory", "%ls", windows);
    return Succeeded;
}

static Status MakeFolder()
{
    Status status = Succeeded;
    for (int attempt = 0; attempt < FreshNameAttempts; ++attempt) {
        wchar_t path[MAX_PATH];
        status = FreshFolderName(path, MAX_PATH);
        if (!status)
            status = CheckedCreatePrivateDirectory(path);
        if (status && status->code == ERROR_ALREADY_EXISTS)
            continue;
        if (!status)
            status = CheckFolder(path, &FolderHandle);
        if (!status)
            wcscpy(Folder, path);
        return status;
    }
    return status;
}

Status PrivateFolder(const wchar_t** path)
{
    *path = Folder;
    return Folder[0] ? Succeeded : MakeFolder();
}

bool InPrivateFolder(const wchar_t* name, wchar_t* out, size_t size)
{
    const wchar_t* folder;
    if (PrivateFolder(&folder))
        return false;
    int written = _snwprintf(out, size, L"%ls\\%ls", folder, name);
    return written >= 0 && static_cast<size_t>(written) < size;
}

void ReleasePrivateFolder()
{
    if (!Folder[0])
        return;
    CloseHandle(FolderHandle);
    if (!RemoveDirectoryW(Folder))
        CheckedScheduleRemovalAtRestart(Folder);
    Folder[0] = L'\0';
}

void LeavePrivateFolder()
{
    if (!Folder[0])
        return;
    CloseHandle(FolderHandle);
    Folder[0] = L'\0';
}
