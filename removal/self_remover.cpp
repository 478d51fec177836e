#include "removal/self_remover.h"

#include <windows.h>

#include "removal/deferred_list.h"
#include "removal/helper_command_line.h"
#include "removal/path_text.h"
#include "sysops/checked.h"
#include "sysops/file_helpers.h"

void LaunchSelfRemover()
{
    if (!DeferredList || !*DeferredList)
        return;
    char temporaryDirectory[PathBufferSize] = "";
    DWORD length = GetTempPathA(sizeof temporaryDirectory, temporaryDirectory);
    if (length == 0 || length >= sizeof temporaryDirectory)
        return;
    char copyPath[PathBufferSize];
    if (!BuildHelperPath(copyPath, sizeof copyPath, temporaryDirectory))
        return;
    CopyFileA(OwnPath, copyPath, FALSE);

    // The child inherits this handle and holds the last one, so the copy vanishes as it exits.
    SECURITY_ATTRIBUTES inheritable = {};
    inheritable.nLength = sizeof inheritable;
    inheritable.bInheritHandle = TRUE;
    HANDLE copy = CreateFileA(copyPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              &inheritable, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr);

    // The copy's path is quoted so that a temporary directory with blanks still leaves "-u" as
    // the child's first argument.
    // On the stack: a static buffer this large would be stored in the program's file.
    char commandLine[HelperCommandLineSize];
    BuildHelperCommandLine(commandLine, sizeof commandLine, copyPath, DeferredList);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    if (CreateProcessA(nullptr, commandLine, nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS,
                       nullptr, nullptr, &startup, &child)) {
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
    }
    if (copy != INVALID_HANDLE_VALUE)
        CloseHandle(copy);
}

// A path too long for the buffer is used as given: the system refuses it whole.
static const char* WithoutTrailingBackslash(const char* path, char* buffer, size_t size)
{
    if (!CopyBounded(buffer, size, path))
        return path;
    DropTrailingBackslash(buffer);
    return buffer;
}

void RunHelperMode(int count, char** paths)
{
    // The uninstaller that started this copy is still ending and holds its own file open.
    Sleep(1000);
    for (int i = 0; i < count; ++i) {
        char buffer[PathBufferSize];
        const char* path = WithoutTrailingBackslash(paths[i], buffer, sizeof buffer);
        EntryInfo info;
        QueryEntryInfo(path, &info);
        if (info.kind == EntryDirectory)
            CheckedRemoveDirectory(path);
        else
            CheckedDeleteFile(path);
    }
}
