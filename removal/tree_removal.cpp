// The walk runs with administrator rights in trees where a standard user may create entries, and
// such a user may swap a directory for a link to any other folder while the walk runs: entering
// the link would remove what lies outside the tree. So each directory is opened, never following
// a link, and entered only when that handle shows a plain directory that is the one its parent's
// listing named (volume and file index). It is held, without delete sharing, while the walk is
// inside it, so that it cannot be renamed or replaced meanwhile; it is listed and removed
// through that same handle. Names are the file system's own, used whole, in the \\?\ form.
#include "removal/tree_removal.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "removal/entry_removal.h"
#include "removal/path_text.h"
#include "sysops/checked.h"
#include "sysops/file_helpers.h"
#include "sysops/handle_ops.h"

// The listing of one directory, read through the handle that holds it open, a buffer at a time.
struct DirectoryListing {
    HANDLE directory;
    unsigned char* buffer;               // ListingBufferSize bytes
    const unsigned char* next;           // the next entry in the buffer; null: read more
    bool started;
};

constexpr DWORD ListingBufferSize = 16384;

// One entry as the listing tells it; `name` lies in the listing's buffer and is not terminated.
struct ListedEntry {
    const wchar_t* name;
    size_t nameLength;
    uint32_t attributes;
    int64_t id;  // the file index on its volume
};

// The path of the entry being visited, in a buffer that grows as the walk descends.
struct WorkingPath {
    wchar_t* text;
    size_t length;
    size_t capacity;
};

struct TreeLevel {
    DirectoryListing listing;
    size_t pathLength;   // the directory's own path in the working path
    DWORD volume;
    OutcomeKind worst;   // among the entries dealt with so far
};

struct TreeWalk {
    WorkingPath path;
    TreeLevel* levels;
    size_t depth;
    size_t capacity;
};

static bool IsDotOrDotDot(const wchar_t* name, size_t length)
{
    return (length == 1 && name[0] == L'.') || (length == 2 && name[0] == L'.' && name[1] == L'.');
}

// The next entry of the listing other than "." and "..", or *done = 1 when none is left.
static Status NextDirectoryEntry(DirectoryListing* listing, ListedEntry* entry, int* done)
{
    *done = 1;
    for (;;) {
        if (!listing->next) {
            int ended = 0;
            Status status = CheckedReadDirectory(listing->directory, !listing->started,
                                                 listing->buffer, ListingBufferSize, &ended);
            listing->started = true;
            if (status || ended)
                return status;
            listing->next = listing->buffer;
        }
        const auto* found = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(listing->next);
        listing->next = found->NextEntryOffset ? listing->next + found->NextEntryOffset : nullptr;
        size_t length = found->FileNameLength / sizeof(wchar_t);
        if (IsDotOrDotDot(found->FileName, length))
            continue;
        entry->name = found->FileName;
        entry->nameLength = length;
        entry->attributes = found->FileAttributes;
        entry->id = found->FileId.QuadPart;
        *done = 0;
        return Succeeded;
    }
}

// Room for `more` characters and the terminator, within the system's limit.
static bool ReservePath(WorkingPath* path, size_t more)
{
    size_t needed = path->length + more + 1;
    if (needed > WidePathLimit)
        return false;
    if (needed <= path->capacity)
        return true;
    size_t capacity = path->capacity ? path->capacity : 512;
    while (capacity < needed)
        capacity *= 2;
    auto* grown = static_cast<wchar_t*>(realloc(path->text, capacity * sizeof(wchar_t)));
    if (!grown)
        return false;
    path->text = grown;
    path->capacity = capacity;
    return true;
}

static bool AppendText(WorkingPath* path, const wchar_t* text, size_t length)
{
    if (!ReservePath(path, length))
        return false;
    memcpy(path->text + path->length, text, length * sizeof(wchar_t));
    path->length += length;
    path->text[path->length] = L'\0';
    return true;
}

static bool AppendName(WorkingPath* path, const ListedEntry& entry)
{
    size_t end = path->length;
    if (AppendText(path, L"\\", 1) && AppendText(path, entry.name, entry.nameLength))
        return true;
    path->length = end;
    path->text[end] = L'\0';
    return false;
}

// The root as Windows resolves the caller's spelling, then in the \\?\ form, so that inside the
// tree no name is interpreted and no length is limited to MAX_PATH.
static bool StartPath(WorkingPath* path, const wchar_t* root)
{
    wchar_t resolved[PathBufferSize];
    DWORD length = GetFullPathNameW(root, PathBufferSize, resolved, nullptr);
    if (length == 0 || length >= PathBufferSize)
        return false;
    const wchar_t* rest = resolved;
    const wchar_t* prefix = L"\\\\?\\";
    if (resolved[0] == L'\\' && resolved[1] == L'\\') {
        bool device = (resolved[2] == L'?' || resolved[2] == L'.') && resolved[3] == L'\\';
        rest = resolved + (device ? 4 : 2);
        prefix = device ? prefix : L"\\\\?\\UNC\\";
    }
    if (!AppendText(path, prefix, wcslen(prefix)) || !AppendText(path, rest, wcslen(rest)))
        return false;
    path->length = TrimmedLength(path->text, path->length);
    path->text[path->length] = L'\0';
    return true;
}

static OutcomeKind RemoveListedFile(const wchar_t* path, uint32_t attributes)
{
    if (DeferIfOwnPathInTree(path))
        return NoteOutcome(OutcomeRemoved, path);
    return DeleteKnownFile(path, attributes);
}

// A link, or whatever took a listed directory's place: never entered. What the open handle shows
// as a link is removed as the link itself, through that handle; anything else is not ours.
static OutcomeKind RemoveLink(const wchar_t* path, HANDLE opened, DWORD attributes)
{
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        FailForPath(ERROR_CANT_ACCESS_FILE, "RemoveTree", path);
        return NoteOutcome(OutcomeKept, path);
    }
    return SettleRemoval(CheckedMarkForDeletion(opened, path), path, false);
}

static Status OpenEntry(const wchar_t* path, DWORD access, HANDLE* opened,
                        BY_HANDLE_FILE_INFORMATION* information)
{
    Status status = CheckedCreateFile(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                      nullptr, opened);
    if (!status && (status = CheckedHandleInformation(*opened, information)))
        CheckedCloseHandle(*opened);
    return status;
}

// An entry that could not be opened: gone since it was listed, or kept for the record's reason.
static OutcomeKind NoteUnopened(Status status, const wchar_t* path)
{
    bool gone = status->code == ERROR_FILE_NOT_FOUND || status->code == ERROR_PATH_NOT_FOUND;
    return NoteOutcome(gone ? OutcomeAbsent : OutcomeKept, path);
}

static OutcomeKind RemoveListedLink(const wchar_t* path)
{
    HANDLE opened;
    BY_HANDLE_FILE_INFORMATION information;
    Status status = OpenEntry(path, DELETE | FILE_READ_ATTRIBUTES, &opened, &information);
    if (status)
        return NoteUnopened(status, path);
    OutcomeKind kind = RemoveLink(path, opened, information.dwFileAttributes);
    CheckedCloseHandle(opened);
    return kind;
}

// The directory once its contents are dealt with: `below` is the worst outcome among them.
static OutcomeKind RemoveEmptiedDirectory(HANDLE directory, const wchar_t* path,
                                          OutcomeKind below)
{
    if (below == OutcomeKept) {
        FailForPath(ERROR_DIR_NOT_EMPTY, "RemoveTree", path);
        return NoteOutcome(OutcomeKept, path);
    }
    if (DeferIfOwnPathInTree(path))
        return NoteOutcome(OutcomeRemoved, path);
    // What is scheduled inside may already have been moved out of it; if not, the directory
    // empties at the restart, after what is scheduled inside it.
    Status status = CheckedMarkForDeletion(directory, path);
    if (below == OutcomeAtRestart && status && status->code == ERROR_DIR_NOT_EMPTY)
        return ScheduleAtRestart(path);
    return SettleRemoval(status, path, false);
}

static void Fold(TreeWalk* walk, OutcomeKind kind)
{
    TreeLevel* level = &walk->levels[walk->depth - 1];
    if (kind > level->worst)
        level->worst = kind;
}

static bool PushLevel(TreeWalk* walk, HANDLE directory, DWORD volume)
{
    if (walk->depth == walk->capacity) {
        size_t capacity = walk->capacity ? walk->capacity * 2 : 16;
        auto* grown = static_cast<TreeLevel*>(realloc(walk->levels, capacity * sizeof(TreeLevel)));
        if (!grown)
            return false;
        walk->levels = grown;
        walk->capacity = capacity;
    }
    auto* buffer = static_cast<unsigned char*>(malloc(ListingBufferSize));
    if (!buffer)
        return false;
    TreeLevel& level = walk->levels[walk->depth++];
    level.listing = {directory, buffer, nullptr, false};
    level.pathLength = walk->path.length;
    level.volume = volume;
    level.worst = OutcomeRemoved;
    return true;
}

// Opens the directory at the walk's path and enters it when it is the one `listed` names (null
// for the tree's root, which only has to be a plain directory). False when it is not entered:
// *kind then tells what became of it.
static bool EnterDirectory(TreeWalk* walk, const ListedEntry* listed, OutcomeKind* kind)
{
    const wchar_t* path = walk->path.text;
    HANDLE directory;
    BY_HANDLE_FILE_INFORMATION information;
    Status status = OpenEntry(path, FILE_LIST_DIRECTORY | DELETE | SYNCHRONIZE, &directory,
                              &information);
    if (status) {
        *kind = NoteUnopened(status, path);
        return false;
    }
    DWORD attributes = information.dwFileAttributes;
    int64_t id = (static_cast<int64_t>(information.nFileIndexHigh) << 32) |
                 information.nFileIndexLow;
    DWORD parentVolume = listed ? walk->levels[walk->depth - 1].volume : 0;
    bool same = !listed || (id == listed->id && information.dwVolumeSerialNumber == parentVolume);
    if (same && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        if (PushLevel(walk, directory, information.dwVolumeSerialNumber))
            return true;
        FailForPath(ERROR_NOT_ENOUGH_MEMORY, "RemoveTree", path);
        *kind = NoteOutcome(OutcomeKept, path);
    } else {
        *kind = RemoveLink(path, directory, attributes);
    }
    CheckedCloseHandle(directory);
    return false;
}

// Ends the innermost level: its directory goes or stays, its handle is closed, and the working
// path is cut back to its parent's.
static OutcomeKind LeaveDirectory(TreeWalk* walk, bool unlisted)
{
    TreeLevel& level = walk->levels[walk->depth - 1];
    const wchar_t* path = walk->path.text;
    OutcomeKind kind = unlisted
                           ? NoteOutcome(OutcomeKept, path)
                           : RemoveEmptiedDirectory(level.listing.directory, path, level.worst);
    CheckedCloseHandle(level.listing.directory);
    free(level.listing.buffer);
    if (--walk->depth > 0) {
        walk->path.length = walk->levels[walk->depth - 1].pathLength;
        walk->path.text[walk->path.length] = L'\0';
    }
    return kind;
}

// One entry of the innermost directory, its name appended to the working path. True when it is
// a directory that was entered.
static bool VisitEntry(TreeWalk* walk, const ListedEntry& entry, OutcomeKind* kind)
{
    const wchar_t* path = walk->path.text;
    if (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        *kind = RemoveListedLink(path);
    else if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY)
        return EnterDirectory(walk, &entry, kind);
    else
        *kind = RemoveListedFile(path, entry.attributes);
    return false;
}

// Walks down from the root's level, already entered, until it is left again.
static OutcomeKind WalkTree(TreeWalk* walk)
{
    for (;;) {
        TreeLevel& level = walk->levels[walk->depth - 1];
        ListedEntry entry;
        int done;
        Status status = NextDirectoryEntry(&level.listing, &entry, &done);
        if (status || done) {
            OutcomeKind kind = LeaveDirectory(walk, status != Succeeded);
            if (walk->depth == 0)
                return kind;
            Fold(walk, kind);
            continue;
        }
        size_t end = walk->path.length;
        OutcomeKind kind;
        if (!AppendName(&walk->path, entry)) {
            FailForPath(ERROR_FILENAME_EXCED_RANGE, "RemoveTree", walk->path.text);
            kind = NoteOutcome(OutcomeKept, walk->path.text);
        } else if (VisitEntry(walk, entry, &kind)) {
            continue;
        }
        walk->path.length = end;
        walk->path.text[end] = L'\0';
        Fold(walk, kind);
    }
}

static OutcomeKind RemoveRoot(TreeWalk* walk)
{
    const wchar_t* path = walk->path.text;
    EntryInfo info;
    QueryEntryInfo(path, &info);
    if (info.kind == EntryAbsent)
        return NoteOutcome(OutcomeAbsent, path);
    if (info.attributes & AttributeReparsePoint)
        return RemoveListedLink(path);
    if (info.kind == EntryFile)
        return RemoveListedFile(path, info.attributes);
    OutcomeKind kind;
    return EnterDirectory(walk, nullptr, &kind) ? WalkTree(walk) : kind;
}

OutcomeKind RemoveTree(const wchar_t* path)
{
    TreeWalk walk = {};
    OutcomeKind kind;
    if (StartPath(&walk.path, path)) {
        kind = RemoveRoot(&walk);
    } else {
        FailForPath(ERROR_FILENAME_EXCED_RANGE, "RemoveTree", path);
        kind = NoteOutcome(OutcomeKept, path);
    }
    free(walk.path.text);
    free(walk.levels);
    return kind;
}
