#include "sysops/file_helpers.h"

#include <cstring>

#include "sysops/checked.h"

Status QueryEntryInfo(const char* path, EntryInfo* info)
{
    // FindFirstFileA on a plain path yields the entry itself, so this doubles as an existence
    // check that also works on directories.
    WIN32_FIND_DATAA found;
    HANDLE search;
    if (CheckedFindFirstFile(path, &found, &search)) {
        info->kind = EntryAbsent;
        return Succeeded;
    }
    CheckedFindClose(search);
    info->size = found.nFileSizeLow;
    info->sizeHigh = found.nFileSizeHigh;
    info->attributes = found.dwFileAttributes;
    info->kind = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryDirectory : EntryFile;
    return Succeeded;
}

Status QueryEntryInfo(const wchar_t* path, EntryInfo* info)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (CheckedGetFileAttributes(path, &data)) {
        info->kind = EntryAbsent;
        return Succeeded;
    }
    info->size = data.nFileSizeLow;
    info->sizeHigh = data.nFileSizeHigh;
    info->attributes = data.dwFileAttributes;
    info->kind = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryDirectory : EntryFile;
    return Succeeded;
}

Status OpenForReading(const char* path, HANDLE* file)
{
    Status status = CheckedCreateFile(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr, file);
    if (status)
        *file = nullptr;
    return status;
}

Status ReadWholeFile(HANDLE file, char* buffer, int32_t count)
{
    while (count > 0) {
        DWORD read;
        Status status = CheckedReadFile(file, buffer, static_cast<DWORD>(count), &read);
        if (status)
            return status;
        if (read == 0)
            return Succeeded;
        // A read never returns more than asked; guard anyway so count cannot wrap.
        if (read > static_cast<DWORD>(count))
            read = static_cast<DWORD>(count);
        buffer += read;
        count -= static_cast<int32_t>(read);
    }
    return Succeeded;
}

Status WriteWholeText(HANDLE file, const char* text)
{
    for (size_t left = strlen(text); left > 0;) {
        DWORD count = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
        DWORD written;
        Status status = CheckedWriteFile(file, text, count, &written);
        if (status)
            return status;
        // A disk file takes all or fails; nothing taken would loop for ever.
        if (written == 0 || written > count)
            return FailWithCode(ERROR_WRITE_FAULT, "WriteFile", nullptr);
        text += written;
        left -= written;
    }
    return Succeeded;
}

Status CloseKeepingFirst(HANDLE file, Status earlier)
{
    Status closed = CheckedCloseHandle(file);
    return earlier ? earlier : closed;
}
