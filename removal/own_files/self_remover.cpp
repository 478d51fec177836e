#include "removal/own_files/self_remover.h"

#include <windows.h>
#include <winternl.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "removal/results/outcome.h"
#include "removal/safety/private_folder.h"
#include "removal/safety/restart_schedule.h"
#include "sysops/checked.h"
#include "sysops/code_page.h"
#include "sysops/file_helpers.h"
#include "sysops/handle_ops.h"
#include "text/deferred_list.h"
#include "text/helper_command_line.h"
#include "text/path_text.h"
#include "text/record_text.h"

// The helper learns from this variable which process to wait for: the value of a handle to the
// uninstaller, which the helper inherits.
static const char WaitForVariable[] = "UNINSTALLVX_WAIT_FOR";
// And from this one, when the run's private folder is left to it, the value of the handle to its
// own file that it inherits.
static const char OwnCopyVariable[] = "UNINSTALLVX_OWN_COPY";

// The helper waits for the uninstaller to end however long it takes: it is started before the
// completion page, which a user may leave open for any time. It retries a removal that another
// process stands in the way of this long per path, and this long in all.
constexpr DWORD RetryPerPathMs = 5000;
constexpr DWORD RetryInAllMs = 30000;
constexpr DWORD RetryPauseMs = 100;

// The program's own file, held from the start of the run and shared for reading only: nobody
// can write it, rename it or put another file at its name while the run lasts. The copy is made
// from this handle, never from a name, as a user who may rename in the product's folder could
// have put another program there.
static HANDLE OwnImage = INVALID_HANDLE_VALUE;

// Not among the declarations MinGW ships with the native calls.
extern "C" NTSTATUS NTAPI NtAreMappedFilesTheSame(PVOID image, PVOID file);

// Whether `file` is the very file the system mapped as this process's program: its bytes, mapped
// for reading, and the program's image are views of one file, as the system itself tells
// whatever either is called now. A name would not tell: another file can take the image's name
// once the image is renamed, and some systems go on naming an image by the path it was started
// from after it was moved.
static bool IsMappedImage(HANDLE file)
{
    HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping)
        return false;
    void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    bool same = view && NT_SUCCESS(NtAreMappedFilesTheSame(GetModuleHandleW(nullptr), view));
    if (view)
        UnmapViewOfFile(view);
    CloseHandle(mapping);
    return same;
}

bool BindOwnImage()
{
    wchar_t path[PathBufferSize];
    DWORD length = GetModuleFileNameW(nullptr, path, PathBufferSize);
    HANDLE file;
    if (length == 0 || length >= PathBufferSize ||
        CheckedCreateFile(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr,
                          &file))
        return false;
    if (!IsMappedImage(file)) {
        CloseHandle(file);
        return false;
    }
    OwnImage = file;
    return true;
}

bool OwnImageIdentity(DWORD* volume, uint64_t* index)
{
    BY_HANDLE_FILE_INFORMATION information;
    if (OwnImage == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(OwnImage, &information))
        return false;
    *volume = information.dwVolumeSerialNumber;
    *index = (uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow;
    return true;
}

bool OwnImagePath(wchar_t* path, DWORD size)
{
    return OwnImage != INVALID_HANDLE_VALUE && !CheckedFinalPath(OwnImage, path, size);
}

static bool Rewind(HANDLE file)
{
    LARGE_INTEGER start = {};
    return SetFilePointerEx(file, start, nullptr, FILE_BEGIN);
}

// True when the file behind `copy`, read from its start, holds exactly the program's own bytes.
static bool SameBytes(HANDLE copy)
{
    if (!Rewind(OwnImage))
        return false;
    char ours[4096];
    char theirs[4096];
    for (;;) {
        DWORD ourCount, theirCount;
        if (CheckedReadFile(OwnImage, ours, sizeof ours, &ourCount) ||
            CheckedReadFile(copy, theirs, sizeof theirs, &theirCount) ||
            ourCount != theirCount || memcmp(ours, theirs, ourCount) != 0)
            return false;
        if (ourCount == 0)
            return true;
    }
}

// The program's own bytes, from the start of `copy`.
static Status WriteOwnBytes(HANDLE copy)
{
    if (!Rewind(OwnImage))
        return FailWithLastError("SetFilePointer", nullptr);
    char buffer[4096];
    Status status = Succeeded;
    for (DWORD count = 1; !status && count != 0;) {
        status = CheckedReadFile(OwnImage, buffer, sizeof buffer, &count);
        DWORD written = 0;
        if (status || count == 0)
            break;
        status = CheckedWriteFile(copy, buffer, count, &written);
        if (!status && written != count)
            status = FailWithCode(ERROR_WRITE_FAULT, "WriteFile", nullptr);
    }
    return status;
}

// A copy that cannot be had delete-on-close goes through a handle of its own; where another
// program holds it even against that, it goes at the restart, before its folder.
static void DiscardCopy(const wchar_t* copyPath)
{
    HANDLE copy;
    if (CheckedCreateFile(copyPath, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, 0, nullptr, &copy) ||
        CheckedMarkForDeletion(copy, copyPath)) {
        if (copy != INVALID_HANDLE_VALUE)
            CloseHandle(copy);
        CheckedScheduleRemovalAtRestart(copyPath);
        return;
    }
    CloseHandle(copy);
}

// The copy, new in the private folder, opened for the child to inherit; INVALID_HANDLE_VALUE
// when no verified copy can be had. Shared for reading only, the open copy can be neither
// written, renamed nor deleted by anyone until the last handle closes, yet the system can still
// start it; checked through this handle, what the child runs is the program's own bytes.
// Opened delete-on-close, the copy vanishes when the child, which holds the last handle, exits.
static HANDLE MakeVerifiedCopy(wchar_t* copyPath, size_t size)
{
    HANDLE writer;
    if (OwnImage == INVALID_HANDLE_VALUE || !InPrivateFolder(HelperFileNameW, copyPath, size) ||
        CheckedCreateFile(copyPath, GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, 0, nullptr,
                          &writer))
        return INVALID_HANDLE_VALUE;
    Status status = WriteOwnBytes(writer);
    if (status)
        CheckedMarkForDeletion(writer, copyPath);
    CloseHandle(writer);
    SECURITY_ATTRIBUTES inheritable = {};
    inheritable.nLength = sizeof inheritable;
    inheritable.bInheritHandle = TRUE;
    HANDLE copy;
    if (status)
        return INVALID_HANDLE_VALUE;
    if (CheckedCreateFile(copyPath, GENERIC_READ, FILE_SHARE_READ, &inheritable, OPEN_EXISTING,
                          FILE_FLAG_DELETE_ON_CLOSE, nullptr, &copy)) {
        DiscardCopy(copyPath);
        return INVALID_HANDLE_VALUE;
    }
    if (SameBytes(copy))
        return copy;
    CloseHandle(copy);
    return INVALID_HANDLE_VALUE;
}

// Names the handle `value` to the child in `variable`, or takes the variable away (null).
static void NameHandle(const char* variable, HANDLE value)
{
    // A handle's value has 32 significant bits in 32- and 64-bit processes alike.
    char text[17];
    FormatText(text, sizeof text, "%lx", HandleToULong(value));
    SetEnvironmentVariableA(variable, value ? text : nullptr);
}

// Starts the copy in helper mode with the deferred paths, in its own folder: a process whose
// current directory is a directory keeps it from being removed. The child inherits a handle to
// this process, named to it in WaitForVariable, and waits on it; given `ownCopy` (the copy's
// handle), it is to take the private folder away as it ends.
static bool StartHelper(const wchar_t* wideCopyPath, HANDLE ownCopy)
{
    char copyPath[PathBufferSize];
    if (!ToAnsi(wideCopyPath, wcslen(wideCopyPath), copyPath, sizeof copyPath, true))
        return false;
    char folder[PathBufferSize];
    CopyBounded(folder, sizeof folder, copyPath);
    *const_cast<char*>(BaseName(folder)) = '\0';
    HANDLE self;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                         SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0))
        return false;
    NameHandle(WaitForVariable, self);
    NameHandle(OwnCopyVariable, ownCopy);

    // On the stack: a static buffer this large would be stored in the program's file.
    char commandLine[HelperCommandLineSize];
    BuildHelperCommandLine(commandLine, sizeof commandLine, copyPath, DeferredList);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    BOOL started = CreateProcessA(nullptr, commandLine, nullptr, nullptr, TRUE,
                                  NORMAL_PRIORITY_CLASS, nullptr, folder, &startup,
                                  &child);
    NameHandle(WaitForVariable, nullptr);
    NameHandle(OwnCopyVariable, nullptr);
    CloseHandle(self);
    if (!started)
        return false;
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return true;
}

static Status RemoveOnce(const char* path)
{
    EntryInfo info;
    QueryEntryInfo(path, &info);
    if (info.kind == EntryDirectory)
        return CheckedRemoveDirectory(path);
    return CheckedDeleteFile(path);
}

// The last resort for what cannot be removed now: the system removes the paths, in this
// order, as it next starts. Each is tried once more, as what was inside a directory may just
// have been moved aside.
static void ScheduleInOrderAtRestart(char** paths, size_t count)
{
    OrderForRemoval(paths, count);
    for (size_t i = 0; i < count; ++i) {
        const char* path = paths[i];
        DropTrailingBackslashes(paths[i]);
        wchar_t wide[PathBufferSize];
        if (RemoveOnce(path) && MultiByteToWideChar(CP_ACP, 0, path, -1, wide, PathBufferSize))
            HandToRestart(wide);
    }
}

// Without a helper, every deferred path is left to the next restart.
static void ScheduleDeferredAtRestart()
{
    size_t length = strlen(DeferredList);
    char* text = static_cast<char*>(malloc(length + 1));
    if (!text)
        return;
    memcpy(text, DeferredList, length + 1);
    size_t count = SplitDeferredList(text, nullptr, 0);
    char** paths = static_cast<char**>(malloc((count ? count : 1) * sizeof *paths));
    if (paths) {
        SplitDeferredList(text, paths, count);
        ScheduleInOrderAtRestart(paths, count);
    }
    free(paths);
    free(text);
}

bool LaunchSelfRemover()
{
    if (!DeferredList || !*DeferredList) {
        ReleasePrivateFolder();
        return true;
    }
    // When nothing else of the run waits for the restart, the helper takes the private folder
    // away as it ends, and the restart is left nothing. Otherwise the folder goes at the restart
    // as ever, even if empty by then: a restart is due anyway, and a helper cut short by it
    // could leave the folder behind.
    bool folderToHelper = Outcome.atRestart == 0;
    wchar_t copyPath[PathBufferSize];
    HANDLE copy = MakeVerifiedCopy(copyPath, PathBufferSize);
    bool started = copy != INVALID_HANDLE_VALUE &&
                   StartHelper(copyPath, folderToHelper ? copy : nullptr);
    // The child, if it started, now holds the only handle to the copy; if not, this deletes it.
    if (copy != INVALID_HANDLE_VALUE)
        CloseHandle(copy);
    // The own file is then moved aside like any running program's, which needs it let go.
    if (!started && OwnImage != INVALID_HANDLE_VALUE) {
        CloseHandle(OwnImage);
        OwnImage = INVALID_HANDLE_VALUE;
    }
    if (!started)
        ScheduleDeferredAtRestart();
    if (started && folderToHelper)
        LeavePrivateFolder();
    else
        ReleasePrivateFolder();
    return started;
}

// Waits until the uninstaller that started this copy has ended and so has released its own
// file. Started any other way, there is nothing to wait for.
static void WaitForUninstaller()
{
    char value[17];
    DWORD length = GetEnvironmentVariableA(WaitForVariable, value, sizeof value);
    if (length == 0 || length >= sizeof value)
        return;
    HANDLE uninstaller = ULongToHandle(strtoul(value, nullptr, 16));
    // Only a process handle is waited on and closed: a stray value names something else.
    if (GetProcessId(uninstaller) == 0)
        return;
    WaitForSingleObject(uninstaller, INFINITE);
    CloseHandle(uninstaller);
}

// Removes `path`, trying again while another process holds it (a virus scanner, an indexer),
// until `deadline`.
static Status RemoveRetrying(const char* path, DWORD deadline)
{
    for (;;) {
        Status status = RemoveOnce(path);
        if (!status || (status->code != ERROR_SHARING_VIOLATION &&
                        status->code != ERROR_ACCESS_DENIED))
            return status;
        if (static_cast<LONG>(deadline - GetTickCount()) <= 0)
            return status;
        Sleep(RetryPauseMs);
    }
}

// The copy's own file, by the handle that the uninstaller named in OwnCopyVariable when it left
// the run's private folder to this copy; checked to be this very program's file before anything
// is done with it. Null otherwise.
static HANDLE OwnCopy()
{
    char value[17];
    DWORD length = GetEnvironmentVariableA(OwnCopyVariable, value, sizeof value);
    if (length == 0 || length >= sizeof value)
        return nullptr;
    HANDLE copy = ULongToHandle(strtoul(value, nullptr, 16));
    return IsMappedImage(copy) ? copy : nullptr;
}

// The private folder left to this copy holds nothing but the copy's own file, which runs. Moved
// out beside the folder through the handle that the uninstaller opened delete-on-close, it still
// vanishes as this process ends; the folder, empty, goes now. Should the move or the removal
// fail, the folder goes at the restart, as it would have without this.
static void TakeAwayOwnFolder()
{
    HANDLE copy = OwnCopy();
    wchar_t folder[MAX_PATH], moved[MAX_PATH + 4];
    if (!copy || CheckedFinalPath(copy, folder, MAX_PATH) || !wcsrchr(folder, L'\\'))
        return;
    *wcsrchr(folder, L'\\') = L'\0';
    wcscat(wcscpy(moved, folder), L".exe");  // shorter than MAX_PATH, and four more
    // This process's current directory is that folder, which would keep it from being removed.
    wchar_t windows[MAX_PATH];
    UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || !SetCurrentDirectoryW(windows) ||
        CheckedRenameByHandle(copy, moved) || CheckedRemoveDirectory(folder))
        CheckedScheduleRemovalAtRestart(folder);
}

void RunHelperMode(int count, char** paths)
{
    WaitForUninstaller();
    // First, so that little time is left in which the helper, cut short, would leave it behind.
    TakeAwayOwnFolder();
    size_t total = count > 0 ? static_cast<size_t>(count) : 0;
    OrderForRemoval(paths, total);
    const DWORD lastRetry = GetTickCount() + RetryInAllMs;
    size_t left = 0;
    for (size_t i = 0; i < total; ++i) {
        const char* path = paths[i];
        DropTrailingBackslashes(paths[i]);
        DWORD deadline = GetTickCount() + RetryPerPathMs;
        if (static_cast<LONG>(deadline - lastRetry) > 0)
            deadline = lastRetry;
        if (!RemoveRetrying(path, deadline))
            continue;
        EntryInfo info;
        QueryEntryInfo(path, &info);
        if (info.kind != EntryAbsent)
            paths[left++] = paths[i];
    }
    ScheduleInOrderAtRestart(paths, left);
    ReleasePrivateFolder();
}
