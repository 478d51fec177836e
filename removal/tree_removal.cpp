#include "removal/tree_removal.h"

#include <cstring>

#include "removal/deferred_list.h"
#include "removal/path_text.h"
#include "sysops/checked.h"
#include "sysops/file_helpers.h"

HANDLE FindHandle;

static bool IsDotOrDotDot(const char* name)
{
    return strcmp(name, ".") == 0 || strcmp(name, "..") == 0;
}

static Status StartSearch(const char* directory, const char* pattern, WIN32_FIND_DATAA* found)
{
    char searchPath[PathBufferSize];
    if (!BuildSearchPath(searchPath, sizeof searchPath, directory, pattern))
        return FailWithCode(ERROR_FILENAME_EXCED_RANGE, "FindFirstFile", "%s\\%s", directory,
                            pattern ? pattern : "");
    HANDLE search;
    Status status = CheckedFindFirstFile(searchPath, found, &search);
    FindHandle = status ? nullptr : search;
    return status;
}

// Fetches the next entry of the search in FindHandle, or starts one. At the end of the search,
// or on a failure, the search is closed and FindHandle cleared.
static Status FetchEntry(const char* directory, const char* pattern, WIN32_FIND_DATAA* found,
                         int* ended)
{
    if (!FindHandle)
        return StartSearch(directory, pattern, found);
    Status status = CheckedFindNextFile(FindHandle, found, ended);
    if (status || *ended) {
        CheckedFindClose(FindHandle);
        FindHandle = nullptr;
    }
    return status;
}

Status NextDirectoryEntry(const char* directory, const char* pattern, EntryInfo* info, int* done)
{
    *done = 1;
    WIN32_FIND_DATAA found;
    for (;;) {
        int ended = 0;
        Status status = FetchEntry(directory, pattern, &found, &ended);
        if (status || ended)
            return status;
        if (!IsDotOrDotDot(found.cFileName))
            break;
    }
    const char* name = BaseName(found.cFileName);
    if (!CopyBounded(info->name, sizeof info->name, name))
        return FailWithCode(ERROR_FILENAME_EXCED_RANGE, "FindNextFile", "%s\\%s", directory, name);
    info->size = found.nFileSizeLow;
    info->sizeHigh = found.nFileSizeHigh;
    info->attributes = found.dwFileAttributes;
    info->kind = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryDirectory : EntryFile;
    *done = 0;
    return Succeeded;
}

static Status RemoveEntry(char* path, const char* pattern, const EntryInfo& info);

// Removes everything inside the directory `path`, depth first; the first failure ends the walk
// and leaves `path` naming the entry that failed.
static Status RemoveContents(char* path, const char* pattern)
{
    for (;;) {
        EntryInfo info;
        int done;
        Status status = NextDirectoryEntry(path, pattern, &info, &done);
        if (status || done)
            return status;
        size_t end = strlen(path);
        if (!AppendComponent(path, PathBufferSize, info.name))
            return FailWithCode(ERROR_FILENAME_EXCED_RANGE, "RemoveTree", "%s\\%s", path,
                                info.name);
        // The search has just told what the entry is; asking again would double the cost of
        // the walk.
        status = RemoveEntry(path, pattern, info);
        if (status)
            return status;
        path[end] = '\0';
    }
}

static Status RemoveDirectoryTree(char* path, const char* pattern, uint32_t attributes)
{
    // A junction or directory link is removed as the link itself: what it points to lies
    // outside this tree and is not ours to remove.
    if (!(attributes & AttributeReparsePoint)) {
        HANDLE saved = FindHandle;
        FindHandle = nullptr;
        Status status = RemoveContents(path, pattern);
        if (FindHandle) {
            CheckedFindClose(FindHandle);
            FindHandle = nullptr;
        }
        FindHandle = saved;
        if (status)
            return status;
    }
    if (DeferIfOwnPath(path))
        return Succeeded;
    return CheckedRemoveDirectory(path);
}

static Status RemoveEntry(char* path, const char* pattern, const EntryInfo& info)
{
    if (info.kind == EntryDirectory)
        return RemoveDirectoryTree(path, pattern, info.attributes);
    if (info.kind != EntryFile || DeferIfOwnPath(path))
        return Succeeded;
    Status status = CheckedDeleteFile(path);
    // A file that went away since the search listed it is as good as removed.
    if (status && (status->code == ERROR_FILE_NOT_FOUND || status->code == ERROR_PATH_NOT_FOUND))
        return Succeeded;
    return status;
}

Status RemoveTree(char* path, const char* pattern)
{
    DropTrailingBackslash(path);
    EntryInfo info;
    QueryEntryInfo(path, &info);
    return RemoveEntry(path, pattern, info);
}
