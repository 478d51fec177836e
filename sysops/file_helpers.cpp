#include "sysops/file_helpers.h"

#include <cstring>

#include "sysops/checked.h"
#include "sysops/handle_ops.h"

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

Status ClearReadOnly(HANDLE file, const wchar_t* path, uint32_t attributes)
{
    // The system takes only these; the others (compressed, sparse, reparse point ...)
    // describe the file and are not ours to pass back.
    const DWORD settable = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                           FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                           FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    DWORD kept = attributes & settable;
    return CheckedSetAttributesByHandle(file, kept ? kept : FILE_ATTRIBUTE_NORMAL, path);
}

bool ToAnsi(const wchar_t* text, size_t length, char* out, size_t size, bool exact)
{
    if (size == 0)
        return false;
    // The UTF-8 code page has no best fit and no default character to tell of; only an unpaired
    // surrogate does not convert.
    bool utf8 = GetACP() == CP_UTF8;
    DWORD flags = utf8 ? (exact ? WC_ERR_INVALID_CHARS : 0) : WC_NO_BEST_FIT_CHARS;
    BOOL lossy = FALSE;
    int bytes = length == 0 ? 0
                            : WideCharToMultiByte(CP_ACP, flags, text, static_cast<int>(length),
                                                  out, static_cast<int>(size - 1), nullptr,
                                                  utf8 || !exact ? nullptr : &lossy);
    out[bytes] = '\0';
    return (bytes > 0 || length == 0) && !lossy;
}
