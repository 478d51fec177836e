#include "sysops/checked.h"

#include <cwchar>

#include "sysops/code_page.h"

Status CheckedCreateFile(const char* path, DWORD access, DWORD share,
                         SECURITY_ATTRIBUTES* security, DWORD disposition, DWORD flags,
                         HANDLE templateFile, HANDLE* file)
{
    *file = CreateFileA(path, access, share, security, disposition, flags, templateFile);
    if (*file != INVALID_HANDLE_VALUE)
        return Succeeded;
    return FailWithLastError("CreateFile", "%s", path);
}

Status CheckedCloseHandle(HANDLE handle)
{
    if (CloseHandle(handle))
        return Succeeded;
    return FailWithLastError("CloseHandle", nullptr);
}

Status CheckedReadFile(HANDLE file, void* buffer, DWORD count, DWORD* read)
{
    *read = 0;
    if (ReadFile(file, buffer, count, read, nullptr))
        return Succeeded;
    return FailWithLastError("ReadFile", nullptr);
}

Status CheckedWriteFile(HANDLE file, const void* buffer, DWORD count, DWORD* written)
{
    *written = 0;
    if (WriteFile(file, buffer, count, written, nullptr))
        return Succeeded;
    return FailWithLastError("WriteFile", nullptr);
}

Status CheckedDeleteFile(const char* path)
{
    if (DeleteFileA(path))
        return Succeeded;
    return FailWithLastError("DeleteFile", "%s", path);
}

Status CheckedRemoveDirectory(const char* path)
{
    if (RemoveDirectoryA(path))
        return Succeeded;
    return FailWithLastError("Remove Directory", "%s", path);
}

Status CheckedFindFirstFile(const char* searchPath, WIN32_FIND_DATAA* found, HANDLE* search)
{
    *search = FindFirstFileA(searchPath, found);
    if (*search != INVALID_HANDLE_VALUE)
        return Succeeded;
    return FailWithLastError("FindFirstFile", "%s", searchPath);
}

Status CheckedFindNextFile(HANDLE search, WIN32_FIND_DATAA* found, int* done)
{
    if (FindNextFileA(search, found)) {
        *done = 0;
        return Succeeded;
    }
    // The detail is the empty text: the record ends with a pair of empty parentheses.
    Status status = FailWithLastError("FindNextFile", "%s", "");
    if (status && status->code == ERROR_NO_MORE_FILES) {
        *done = 1;
        return Succeeded;
    }
    return status;
}

Status CheckedFindClose(HANDLE search)
{
    if (FindClose(search))
        return Succeeded;
    return FailWithLastError("FindClose", nullptr);
}

Status CheckedRegOpenKey(HKEY root, const char* subkey, DWORD options, REGSAM access, HKEY* key)
{
    *key = nullptr;
    LONG result = RegOpenKeyExA(root, subkey, options, access, key);
    if (result == ERROR_SUCCESS)
        return Succeeded;
    *key = nullptr;
    return FailWithCode(static_cast<uint32_t>(result), "RegOpenKey", "%s", subkey);
}

Status CheckedRegCloseKey(HKEY key)
{
    LONG result = RegCloseKey(key);
    if (result == ERROR_SUCCESS)
        return Succeeded;
    return FailWithCode(static_cast<uint32_t>(result), "RegCloseKey", nullptr);
}

Status CheckedRegDeleteKey(HKEY root, const char* subkey)
{
    LONG result = RegDeleteKeyA(root, subkey);
    if (result == ERROR_SUCCESS)
        return Succeeded;
    return FailWithCode(static_cast<uint32_t>(result), "RegDeleteKey", "%s", subkey);
}

Status CheckedRegDeleteValue(HKEY key, const char* valueName)
{
    LONG result = RegDeleteValueA(key, valueName);
    if (result == ERROR_SUCCESS)
        return Succeeded;
    return FailWithCode(static_cast<uint32_t>(result), "RegDeleteValue", "%s", valueName);
}

Status CheckedCreateDialog(HINSTANCE instance, const char* templateName, HWND parent,
                           DLGPROC procedure, LPARAM initialValue, HWND* window)
{
    *window = CreateDialogParamA(instance, templateName, parent, procedure, initialValue);
    if (*window)
        return Succeeded;
    return FailWithLastError("CreateDialog", nullptr);
}

Status CheckedDestroyWindow(HWND window)
{
    if (DestroyWindow(window))
        return Succeeded;
    return FailWithLastError("DestroyWindow", nullptr);
}

Status CheckedGetDlgItem(HWND dialog, int id, HWND* item)
{
    *item = GetDlgItem(dialog, id);
    if (*item)
        return Succeeded;
    return FailWithLastError("GetDlgItem", nullptr);
}

Status CheckedSetFocus(HWND window, HWND* previous)
{
    // A null result also means that no window had the focus before; only a last error set by
    // this very call tells a failure, so a stale one must not count.
    SetLastError(0);
    *previous = SetFocus(window);
    if (*previous)
        return Succeeded;
    return FailWithLastError("SetFocus", nullptr);
}

// The path in the record's detail: the ANSI code page cannot show every name, and a record
// holds no more than a few hundred characters of one anyway.
struct DetailPath {
    explicit DetailPath(const wchar_t* path);
    char text[RecordDetailSize];
};

DetailPath::DetailPath(const wchar_t* path)
{
    // Three bytes at most per character of any code page, the UTF-8 one included.
    ToAnsi(path, wcsnlen(path, (sizeof text - 1) / 3), text, sizeof text, false);
}

Status CheckedCreateFile(const wchar_t* path, DWORD access, DWORD share,
                         SECURITY_ATTRIBUTES* security, DWORD disposition, DWORD flags,
                         HANDLE templateFile, HANDLE* file)
{
    *file = CreateFileW(path, access, share, security, disposition, flags, templateFile);
    if (*file != INVALID_HANDLE_VALUE)
        return Succeeded;
    return FailWithLastError("CreateFile", "%s", DetailPath(path).text);
}

Status CheckedDeleteFile(const wchar_t* path)
{
    if (DeleteFileW(path))
        return Succeeded;
    return FailWithLastError("DeleteFile", "%s", DetailPath(path).text);
}

Status CheckedRemoveDirectory(const wchar_t* path)
{
    if (RemoveDirectoryW(path))
        return Succeeded;
    return FailWithLastError("Remove Directory", "%s", DetailPath(path).text);
}

Status CheckedScheduleRemovalAtRestart(const wchar_t* path)
{
    if (MoveFileExW(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
        return Succeeded;
    return FailWithLastError("MoveFileEx", "%s", DetailPath(path).text);
}

Status CheckedGetFileAttributes(const wchar_t* path, WIN32_FILE_ATTRIBUTE_DATA* data)
{
    if (GetFileAttributesExW(path, GetFileExInfoStandard, data))
        return Succeeded;
    return FailWithLastError("GetFileAttributes", "%s", DetailPath(path).text);
}

Status CheckedReadDirectory(HANDLE directory, bool restart, void* buffer, DWORD size, int* done)
{
    FILE_INFO_BY_HANDLE_CLASS kind = restart ? FileIdBothDirectoryRestartInfo
                                             : FileIdBothDirectoryInfo;
    if (GetFileInformationByHandleEx(directory, kind, buffer, size)) {
        *done = 0;
        return Succeeded;
    }
    Status status = FailWithLastError("GetFileInformationByHandleEx", "%s", "");
    if (status && status->code == ERROR_NO_MORE_FILES) {
        *done = 1;
        return Succeeded;
    }
    return status;
}

// Deletion as the system's own DeleteFile does it where it can (Windows 10 1809 and later): the
// name goes at once, even while a scanner or an indexer holds the file with delete sharing, so
// that the folder above is empty on its own turn; a read-only entry goes too. Defined here, as
// the headers declare them only for builds that require that Windows.
constexpr auto DispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
constexpr DWORD DispositionDelete = 0x1, DispositionPosixSemantics = 0x2,
                DispositionIgnoreReadOnly = 0x10;
// Set once the system has answered that it does not know that call (older Windows, Wine) or a
// file system that it does not offer it: every later entry goes the old way at once.
static bool DispositionExUnoffered;

static bool Unoffered(DWORD error)
{
    return error == ERROR_INVALID_PARAMETER || error == ERROR_INVALID_FUNCTION ||
           error == ERROR_NOT_SUPPORTED;
}

static BOOL MarkAsTheSystemDeletes(HANDLE file)
{
    if (DispositionExUnoffered)
        return FALSE;
    DWORD flags = DispositionDelete | DispositionPosixSemantics | DispositionIgnoreReadOnly;
    if (SetFileInformationByHandle(file, DispositionInfoEx, &flags, sizeof flags))
        return TRUE;
    DispositionExUnoffered = Unoffered(GetLastError());
    return FALSE;
}

Status CheckedMarkForDeletion(HANDLE file, const wchar_t* path)
{
    FILE_DISPOSITION_INFO disposition = {TRUE};
    if (MarkAsTheSystemDeletes(file))
        return Succeeded;
    // A refusal of the call itself leaves the old way to try; any other is the entry's answer.
    if (DispositionExUnoffered &&
        SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition))
        return Succeeded;
    if (!path)
        return FailWithLastError("SetFileInformationByHandle", nullptr);
    return FailWithLastError("SetFileInformationByHandle", "%s", DetailPath(path).text);
}

Status FailForPath(uint32_t code, const char* label, const wchar_t* path)
{
    return FailWithCode(code, label, "%s", DetailPath(path).text);
}
