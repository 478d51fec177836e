// How one entry of the install log flows through the removal, each stage in a folder below this
// one:
//   the log (read whole, split into entries by text/log_text.*, each matched to its tag in
//   LogTags below; before the first entry, the product's programs left running are found,
//   removal/running/)
//   -> the entry (its handler refuses what must never go, then removes one file, folder, key or
//      tree; removal/entries/: entry_removal.* for one file-system entry, tree_removal.* for a
//      tree, registry_entry.* for a key or value; the program's own files are left to its
//      temporary copy, removal/own_files/)
//   -> the outcome (removal/results/outcome.*: counted as removed, already absent, the user's,
//      at the restart or kept, with a line for each that was not simply removed)
//   -> the report and the completion page (removal/results/report.*, app/completion.*), which
//      read only the outcome.
// Under them all, removal/safety/ knows what must never go, schedules what waits for the restart
// and makes the run's private folder.
// The tree walk holds each directory open, without delete sharing, from the moment it checks the
// directory's identity until it has removed it: a user who can write in the product's folder
// could otherwise swap a directory for a link to another place between the check and the
// removal, and have the elevated program empty that place.
#include "removal/install_log.h"

#include <windows.h>

#include <cstdlib>
#include <winternl.h>

#include "removal/entries/entry_removal.h"
#include "removal/entries/registry_entry.h"
#include "removal/entries/tree_removal.h"
#include "removal/entries/users_own.h"
#include "removal/results/outcome.h"
#include "removal/running/running_programs.h"
#include "removal/safety/path_walk.h"
#include "removal/safety/protected_places.h"
#include "sysops/checked.h"
#include "sysops/code_page.h"
#include "sysops/file_helpers.h"
#include "sysops/handle_ops.h"
#include "text/deferred_list.h"
#include "text/log_text.h"
#include "text/path_text.h"

void (*BeforeFirstEntry)();

// A whole tree is removed only under a full path that is not a drive or share root, judged as
// Windows resolves it: a relative path would depend on the current directory, and a root
// would empty a whole drive.
static bool IsSafeTreeRoot(const char* path)
{
    if (!IsFullPathSyntax(path))
        return false;
    char resolved[PathBufferSize];
    DWORD length = GetFullPathNameA(path, sizeof resolved, resolved, nullptr);
    if (length == 0 || length >= sizeof resolved)
        return false;
    return !IsRootPath(resolved);
}

// Windows refuses a path longer than its ANSI calls take, and a registry name longer than its
// counted strings hold. Some systems shorten such a text instead (Wine keeps only the low 16 bits
// of its length) and would then remove another entry than the log names: an argument past these
// limits is refused here, whole, as Windows refuses it.
constexpr size_t RegistryArgumentLimit = 32767;

// The log's text converted once, exactly, then removed by `remove`; an argument that does not
// convert is refused.
static Status RemoveWidened(const char* argument, OutcomeKind (*remove)(const wchar_t* path))
{
    wchar_t path[PathBufferSize];
    Status status = CheckedWiden(argument, path, PathBufferSize);
    if (!status)
        remove(path);
    return status;
}

// Why a tree is not even begun: a root too long, not a full path, a root of a drive or share,
// or a protected folder by its spelling.
static Status RefuseTreeRoot(const char* argument, size_t length)
{
    if (length >= PathBufferSize)
        return FailWithCode(ERROR_FILENAME_EXCED_RANGE, "RemoveTree", "%s", argument);
    if (!IsSafeTreeRoot(argument))
        return FailWithCode(ERROR_INVALID_PARAMETER, "RemoveTree", "%s", argument);
    // The spelling is a first look; the walk judges the folder it opens, however it is spelled.
    if (IsProtectedFolder(argument))
        return RefuseProtected("RemoveTree", argument);
    return Succeeded;
}

// The tree is walked in the file system's own names; only its root comes from the log's text.
// The program's own file and the folders above it are set aside where the walk meets them, so
// a tree that holds the program goes all the same, but for them.
static Status RemoveTreeEntry(char* argument, size_t length)
{
    Status status = RefuseTreeRoot(argument, length);
    return status ? status : RemoveWidened(argument, RemoveTree);
}

// A "file:" entry opened is judged by what it reaches: the program's own file, by any spelling,
// is left to the helper.
static OutcomeKind RemoveListedFile(const wchar_t* path)
{
    return RemoveFileAt({nullptr, nullptr, 0, path}, true);
}

static OutcomeKind RemoveListedLink(const wchar_t* path)
{
    return RemoveFileAt({nullptr, nullptr, 0, path}, false);
}

static Status RemoveFileEntry(char* argument, size_t length)
{
    if (length >= PathBufferSize)
        return FailWithCode(ERROR_FILENAME_EXCED_RANGE, "DeleteFile", "%s", argument);
    if (!DeferIfOwnPath(argument))
        return RemoveWidened(argument, RemoveListedFile);
    NoteOutcome(OutcomeRemoved, argument);
    return Succeeded;
}

// Opened once as a folder, it is judged by what that handle shows: none of the system's folders
// and none above the program, by any spelling; then removed through it. *full tells that it still
// holds what the log never named.
static OutcomeKind RemoveHeldDirectory(HANDLE directory, const wchar_t* path, bool* full)
{
    uint64_t index;
    Status status = CheckedFileIndex(directory, &index);
    if (status)
        return NoteOutcome(OutcomeKept, path);
    if (IsProtectedFolder(directory, index)) {
        FailForPath(ERROR_ACCESS_DENIED, "Remove Directory", path);
        return NoteOutcome(OutcomeKept, path);
    }
    if (DeferIfOwnEntry(directory, index))
        return NoteOutcome(OutcomeRemoved, path);
    status = CheckedMarkForDeletion(directory, path);
    // What holds it now goes at the restart: the directory follows it then.
    if (status && status->code == ERROR_DIR_NOT_EMPTY && AnyAtRestartBelow(path))
        return ScheduleAtRestart(directory, path, false);
    *full = status && status->code == ERROR_DIR_NOT_EMPTY;
    return *full ? OutcomeKept : SettleRemoval(status, directory, path, false);
}

static OutcomeKind RemoveEmptyDirectory(const wchar_t* path)
{
    const EntryPlace place = {nullptr, nullptr, 0, path};
    HANDLE directory;
    Status status = OpenEntryAt(place, DELETE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                FILE_DIRECTORY_FILE, &directory);
    if (status)
        return SettleUnopened(status, place, true);
    bool full = false;
    OutcomeKind kind = RemoveHeldDirectory(directory, path, &full);
    CheckedCloseHandle(directory);
    if (!full)
        return kind;
    // When all the log named below it went, what stays is what the user put there; its names
    // are listed once the handle that would delete it, which shares nothing, is closed.
    return NoteIfUsersFolder(path) ? OutcomeYours : NoteOutcome(OutcomeKept, path);
}

static Status RemoveDirectoryEntry(char* argument, size_t length)
{
    if (length >= PathBufferSize)
        return FailWithCode(ERROR_FILENAME_EXCED_RANGE, "Remove Directory", "%s", argument);
    if (IsProtectedFolder(argument))
        return RefuseProtected("Remove Directory", argument);
    if (DeferIfOwnPath(argument)) {
        NoteOutcome(OutcomeRemoved, argument);
        return Succeeded;
    }
    return RemoveWidened(argument, RemoveEmptyDirectory);
}

static Status RemoveLinkEntry(char* argument, size_t length)
{
    if (length >= PathBufferSize)
        return FailWithCode(ERROR_FILENAME_EXCED_RANGE, "DeleteFile", "%s", argument);
    return RemoveWidened(argument, RemoveListedLink);
}

static Status RemoveKeyEntry(char* text, size_t length)
{
    if (length > RegistryArgumentLimit)
        return FailWithCode(ERROR_FILENAME_EXCED_RANGE, "RegOpenKey", "%s", text);
    Status status = RemoveRegistryEntry(text);
    if (!status)
        NoteOutcome(OutcomeRemoved, text);
    else if (status->code == ERROR_FILE_NOT_FOUND)
        NoteOutcome(OutcomeAbsent, text);
    else if (!NoteIfUsersKey(text))
        NoteOutcome(OutcomeKept, text);
    return Succeeded;
}

// The log's tags, tried in this order: the first that an entry starts with applies it. "dir:"
// cannot take an entry that starts "dirw:", as their fourth characters differ. A new tag is one
// row here and one handler above.
struct LogTag {
    const char* text;
    Status (*apply)(char* argument, size_t length);
};
static const LogTag LogTags[] = {
    {"file:", RemoveFileEntry}, {"dir:", RemoveDirectoryEntry}, {"dirw:", RemoveTreeEntry},
    {"key:", RemoveKeyEntry},   {"link:", RemoveLinkEntry},
};

// The tag an entry starts with, and its argument; null for an entry without one.
static const LogTag* MatchTag(char* entry, size_t length, char** argument)
{
    for (const LogTag& tag : LogTags)
        if (StartsWithTag(entry, length, tag.text, argument))
            return &tag;
    return nullptr;
}

// Each handler notes the outcome of what it does; the Status it returns is that of a refusal
// before anything was tried, and such an entry is kept.
static void ApplyEntry(char* entry, size_t length)
{
    char* argument;
    const LogTag* tag = MatchTag(entry, length, &argument);
    if (!tag)
        return;
    if (tag->apply(argument, static_cast<size_t>(entry + length - argument)))
        NoteOutcome(OutcomeKept, argument);
    ++Outcome.applied;
}

// The entries that carry a tag, so that the total is known before the first is applied.
static uint32_t CountTaggedEntries(char* buffer, size_t size)
{
    uint32_t count = 0;
    size_t position = 0;
    char* entry;
    size_t length;
    char* argument;
    while (NextLogEntry(buffer, size, &position, &entry, &length))
        count += MatchTag(entry, length, &argument) != nullptr;
    return count;
}

// The running programs whose files the log removes: each "file:" entry, and each tree that a
// "dirw:" entry removes, is matched against the processes that run now. A tree is looked in only
// when it is begun, and its root judged then as the walk judges it: by what was opened, not by
// its spelling.
static void FindProgramsOfLog(char* buffer, size_t size)
{
    ListRunningProcesses();
    size_t position = 0;
    char* entry;
    size_t length;
    char* argument;
    while (NextLogEntry(buffer, size, &position, &entry, &length)) {
        const LogTag* tag = MatchTag(entry, length, &argument);
        size_t argumentLength = tag ? static_cast<size_t>(entry + length - argument) : 0;
        if (tag && tag->apply == RemoveFileEntry)
            MatchProgramPlace(argument, false);
        else if (tag && tag->apply == RemoveTreeEntry && !RefuseTreeRoot(argument, argumentLength))
            MatchProgramPlace(argument, true);
    }
}

// Reads the whole log into a zero-filled buffer one byte longer than the log, so that the text
// is terminated and bytes that no read filled (a log that shrank meanwhile) stay separators.
static Status ReadInstallLog(const char* path, const EntryInfo& info, char** buffer)
{
    *buffer = nullptr;
    // ReadWholeFile counts in a signed 32-bit number; a larger log is refused whole.
    if (info.sizeHigh != 0 || info.size > 0x7FFFFFFEu)
        return FailWithCode(ERROR_FILE_TOO_LARGE, "ReadFile", "%s", path);
    HANDLE file;
    Status status = OpenForReading(path, &file);
    if (status)
        return status;
    char* text = static_cast<char*>(calloc(static_cast<size_t>(info.size) + 1, 1));
    Status read = text ? ReadWholeFile(file, text, static_cast<int32_t>(info.size))
                       : FailWithCode(ERROR_NOT_ENOUGH_MEMORY, "ReadFile", "%s", path);
    status = CloseKeepingFirst(file, read);
    if (status) {
        free(text);
        return status;
    }
    *buffer = text;
    return Succeeded;
}

Status ProcessInstallLog(const char* path)
{
    EntryInfo info;
    QueryEntryInfo(path, &info);
    // Nothing to apply is a failure of the run, not a removal that went well.
    if (info.kind != EntryFile)
        return FailWithCode(info.kind == EntryAbsent ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED,
                            "ReadFile", "%s", path);
    char* buffer;
    Status status = ReadInstallLog(path, info, &buffer);
    if (status)
        return status;

    size_t size = info.size;
    TerminateLogEntries(buffer, size);
    Outcome.entries += CountTaggedEntries(buffer, size);
    FindProgramsOfLog(buffer, size);
    if (BeforeFirstEntry)
        BeforeFirstEntry();
    size_t position = 0;
    char* entry;
    size_t length;
    while (NextLogEntry(buffer, size, &position, &entry, &length))
        ApplyEntry(entry, length);
    ReleaseRegistryKey();
    ReleaseWalkedFolders();
    free(buffer);
    return Succeeded;
}
