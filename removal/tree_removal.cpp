#include "removal/tree_removal.h"

#include <cstring>

#include "removal/deferred_list.h"
#include "removal/outcome.h"
#include "removal/path_text.h"
#include "removal/restart_schedule.h"
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

// The path as the restart rules take it, or a failure when it cannot be spelled so.
static Status Widen(const char* path, wchar_t* wide)
{
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide, PathBufferSize))
        return Succeeded;
    return FailWithCode(ERROR_FILENAME_EXCED_RANGE, "MultiByteToWideChar", "%s", path);
}

OutcomeKind ScheduleAtRestart(const char* path)
{
    wchar_t wide[PathBufferSize];
    if (Widen(path, wide) || HandToRestart(wide))
        return NoteOutcome(OutcomeKept, path);
    return NoteOutcome(OutcomeAtRestart, path);
}

// Another program holds the entry open without delete sharing; or, for a file that is not
// read-only, the system runs it as a program (Windows answers access denied then).
static bool IsInUseHere(Status status, const char* path, bool deniedMeansInUse)
{
    if (status->code == ERROR_ACCESS_DENIED && !deniedMeansInUse)
        return false;
    wchar_t wide[PathBufferSize];
    ErrorRecord refusal = TheErrorRecord;
    bool inUse = !Widen(path, wide) && IsInUse(status, wide);
    TheErrorRecord = refusal;
    return inUse;
}

OutcomeKind SettleRemoval(Status status, const char* path, bool deniedMeansInUse)
{
    if (!status)
        return NoteOutcome(OutcomeRemoved, path);
    if (status->code == ERROR_FILE_NOT_FOUND || status->code == ERROR_PATH_NOT_FOUND)
        return NoteOutcome(OutcomeAbsent, path);
    if (IsInUseHere(status, path, deniedMeansInUse))
        return ScheduleAtRestart(path);
    return NoteOutcome(OutcomeKept, path);
}

// A file whose attributes are known: a read-only one is made writable first. Once it is not
// read-only, access denied can only mean that it is in use.
static OutcomeKind DeleteKnownFile(const char* path, uint32_t attributes)
{
    Status status = Succeeded;
    if (attributes & AttributeReadOnly)
        status = ClearReadOnly(path, attributes);
    if (!status)
        status = CheckedDeleteFile(path);
    return SettleRemoval(status, path, true);
}

OutcomeKind RemoveFileThoroughly(const char* path)
{
    // Most files go at the first try; only a refusal is worth a look at what the entry is.
    Status status = CheckedDeleteFile(path);
    if (!status || status->code != ERROR_ACCESS_DENIED)
        return SettleRemoval(status, path, false);
    EntryInfo info;
    QueryEntryInfo(path, &info);
    if (info.kind == EntryAbsent)
        return NoteOutcome(OutcomeAbsent, path);
    if (info.kind == EntryFile && (info.attributes & AttributeReadOnly))
        return DeleteKnownFile(path, info.attributes);
    // The search succeeded, so the record still tells why the deletion failed.
    return SettleRemoval(status, path, info.kind == EntryFile);
}

// The directory once its contents are dealt with: `below` is the worst outcome among them.
static OutcomeKind RemoveEmptiedDirectory(const char* path, OutcomeKind below)
{
    if (below == OutcomeKept) {
        FailWithCode(ERROR_DIR_NOT_EMPTY, "RemoveTree", "%s", path);
        return NoteOutcome(OutcomeKept, path);
    }
    // What went to the restart from inside was moved aside, as a rule, and left it empty; else
    // it empties at the restart, after what is scheduled inside it.
    if (below == OutcomeAtRestart) {
        Status status = CheckedRemoveDirectory(path);
        return status ? ScheduleAtRestart(path) : NoteOutcome(OutcomeRemoved, path);
    }
    if (DeferIfOwnPath(path))
        return NoteOutcome(OutcomeRemoved, path);
    return SettleRemoval(CheckedRemoveDirectory(path), path, false);
}

static OutcomeKind RemoveEntry(char* path, const char* pattern, const EntryInfo& info);

// One entry of the directory `path`, which the call extends by the entry's name and cuts back.
static OutcomeKind RemoveChild(char* path, const char* pattern, const EntryInfo& info)
{
    size_t end = strlen(path);
    if (!AppendComponent(path, PathBufferSize, info.name)) {
        FailWithCode(ERROR_FILENAME_EXCED_RANGE, "RemoveTree", "%s\\%s", path, info.name);
        return NoteOutcome(OutcomeKept, path);
    }
    OutcomeKind kind = RemoveEntry(path, pattern, info);
    path[end] = '\0';
    return kind;
}

// Removes everything inside the directory `path`, depth first, going on past entries that
// stay; gives the worst outcome among them. *unlisted is set when the directory could not be
// listed to its end: the record then tells why.
static OutcomeKind RemoveContents(char* path, const char* pattern, bool* unlisted)
{
    OutcomeKind worst = OutcomeRemoved;
    for (;;) {
        EntryInfo info;
        int done;
        Status status = NextDirectoryEntry(path, pattern, &info, &done);
        // With the search still open, the failure was one entry's (a name too long to hold).
        if (status && !FindHandle) {
            *unlisted = true;
            return OutcomeKept;
        }
        if (!status && done)
            return worst;
        OutcomeKind kind = status ? NoteOutcome(OutcomeKept, path)
                                  : RemoveChild(path, pattern, info);
        if (kind > worst)
            worst = kind;
    }
}

static OutcomeKind RemoveDirectoryTree(char* path, const char* pattern, uint32_t attributes)
{
    OutcomeKind below = OutcomeRemoved;
    bool unlisted = false;
    // A junction or directory link is removed as the link itself: what it points to lies
    // outside this tree and is not ours to remove.
    if (!(attributes & AttributeReparsePoint)) {
        HANDLE saved = FindHandle;
        FindHandle = nullptr;
        below = RemoveContents(path, pattern, &unlisted);
        if (FindHandle) {
            CheckedFindClose(FindHandle);
            FindHandle = nullptr;
        }
        FindHandle = saved;
    }
    if (unlisted)
        return NoteOutcome(OutcomeKept, path);
    return RemoveEmptiedDirectory(path, below);
}

static OutcomeKind RemoveEntry(char* path, const char* pattern, const EntryInfo& info)
{
    if (info.kind == EntryDirectory)
        return RemoveDirectoryTree(path, pattern, info.attributes);
    if (info.kind != EntryFile)
        return NoteOutcome(OutcomeAbsent, path);
    if (DeferIfOwnPath(path))
        return NoteOutcome(OutcomeRemoved, path);
    return DeleteKnownFile(path, info.attributes);
}

OutcomeKind RemoveTree(char* path, const char* pattern)
{
    DropTrailingBackslash(path);
    EntryInfo info;
    QueryEntryInfo(path, &info);
    return RemoveEntry(path, pattern, info);
}
