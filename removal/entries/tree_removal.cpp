// The walk runs with administrator rights in trees where a standard user may create entries, and
// such a user may swap a directory for a link to any other folder while the walk runs: entering
// the link would remove what lies outside the tree. So each directory, the tree's root too, is
// opened by its name inside its parent, never following a link, and entered only when that
// handle shows a plain directory that is the one its parent's listing named (volume and file
// index). It is held, without delete sharing, while the walk is inside it, so that it cannot be
// renamed or replaced meanwhile; it is listed through that same handle, each entry is opened by
// its name inside it (no path is looked up from the volume's root again), and every entry is
// removed through the handle that opened it. Names are the file system's own, used whole; the
// whole path, in the \\?\ form, only names an entry in the outcome.
#include "removal/entries/tree_removal.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "removal/entries/entry_removal.h"
#include "removal/safety/path_walk.h"
#include "removal/safety/protected_places.h"
#include "sysops/checked.h"
#include "sysops/handle_ops.h"
#include "text/path_text.h"

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
    uint64_t index;      // the directory's own file index
    OutcomeKind worst;   // among the entries dealt with so far
};

struct TreeWalk {
    const wchar_t* asked;  // the root as the log gave it
    WorkingPath path;
    TreeLevel* levels;
    size_t depth;
    size_t capacity;
};

static bool IsDotOrDotDot(const wchar_t* name, size_t length)
{
    return (length == 1 && name[0] == L'.') || (length == 2 && name[0] == L'.' && name[1] == L'.');
}

static ListedEntry ListedFrom(const FILE_ID_BOTH_DIR_INFO* found)
{
    return {found->FileName, found->FileNameLength / sizeof(wchar_t), found->FileAttributes,
            found->FileId.QuadPart};
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
        *entry = ListedFrom(found);
        if (IsDotOrDotDot(entry->name, entry->nameLength))
            continue;
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

// Where an entry listed in the directory held as `directory` is opened.
static EntryPlace PlaceOf(HANDLE directory, const ListedEntry& entry, const wchar_t* path)
{
    return {directory, entry.name, entry.nameLength, path};
}

static OutcomeKind RemoveListedFile(HANDLE directory, DWORD volume, const ListedEntry& entry,
                                    const wchar_t* path)
{
    if (DeferIfOwnEntry(static_cast<uint64_t>(entry.id), volume))
        return NoteOutcome(OutcomeRemoved, path);
    return RemoveFileAt(PlaceOf(directory, entry, path), false);
}

// A link, or whatever took a listed directory's place: never entered. What the open handle shows
// as a link is removed as the link itself, through that handle; anything else is not ours.
static OutcomeKind RemoveLink(const wchar_t* path, HANDLE opened, DWORD attributes)
{
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        FailForPath(ERROR_CANT_ACCESS_FILE, "RemoveTree", path);
        return NoteOutcome(OutcomeKept, path);
    }
    return SettleRemoval(CheckedMarkForDeletion(opened, path), opened, path, false);
}

static Status OpenEntry(const EntryPlace& place, DWORD access, HANDLE* opened,
                        BY_HANDLE_FILE_INFORMATION* information)
{
    Status status = OpenEntryAt(place, access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                FILE_SYNCHRONOUS_IO_NONALERT, opened);
    if (!status && (status = CheckedHandleInformation(*opened, information)))
        CheckedCloseHandle(*opened);
    return status;
}

// A directory that could not be opened: gone since it was listed, or kept for the record's
// reason.
static OutcomeKind NoteUnopened(Status status, const wchar_t* path)
{
    bool gone = status->code == ERROR_FILE_NOT_FOUND || status->code == ERROR_PATH_NOT_FOUND;
    return NoteOutcome(gone ? OutcomeAbsent : OutcomeKept, path);
}

static OutcomeKind RemoveListedLink(const EntryPlace& place)
{
    HANDLE opened;
    BY_HANDLE_FILE_INFORMATION information;
    Status status = OpenEntry(place, DELETE, &opened, &information);
    if (status)
        return NoteUnopened(status, place.path);
    OutcomeKind kind = RemoveLink(place.path, opened, information.dwFileAttributes);
    CheckedCloseHandle(opened);
    return kind;
}

// The directory once its contents are dealt with: `below` is the worst outcome among them.
static OutcomeKind RemoveEmptiedDirectory(const TreeLevel& level, const wchar_t* path)
{
    if (level.worst == OutcomeKept) {
        FailForPath(ERROR_DIR_NOT_EMPTY, "RemoveTree", path);
        return NoteOutcome(OutcomeKept, path);
    }
    if (DeferIfOwnEntry(level.index, level.volume))
        return NoteOutcome(OutcomeRemoved, path);
    // What is scheduled inside may already have been moved out of it; if not, the directory
    // empties at the restart, after what is scheduled inside it.
    HANDLE directory = level.listing.directory;
    Status status = CheckedMarkForDeletion(directory, path);
    if (level.worst == OutcomeAtRestart && status && status->code == ERROR_DIR_NOT_EMPTY)
        return ScheduleAtRestart(directory, path, false);
    return SettleRemoval(status, directory, path, false);
}

static void Fold(TreeWalk* walk, OutcomeKind kind)
{
    TreeLevel* level = &walk->levels[walk->depth - 1];
    if (kind > level->worst)
        level->worst = kind;
}

static bool PushLevel(TreeWalk* walk, HANDLE directory, const BY_HANDLE_FILE_INFORMATION& held)
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
    level.volume = held.dwVolumeSerialNumber;
    level.index = IndexOf(held);
    level.worst = OutcomeRemoved;
    return true;
}

// The directory is the one `listed` names in the directory held on `volume`, and nothing a user
// could have swapped in.
static bool IsListedDirectory(const BY_HANDLE_FILE_INFORMATION& opened, DWORD volume,
                              const ListedEntry& listed)
{
    DWORD attributes = opened.dwFileAttributes;
    return static_cast<int64_t>(IndexOf(opened)) == listed.id &&
           opened.dwVolumeSerialNumber == volume && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Opens the directory `listed` names in `parent` (on `volume`) and enters it when it is the one
// listed. The tree's root must moreover be none of the folders Windows and its users live in,
// however the log spelled it: judged by what was opened. False when it is not entered: *kind
// then tells what became of it.
static bool EnterDirectory(TreeWalk* walk, HANDLE parent, DWORD volume, const ListedEntry& listed,
                           OutcomeKind* kind)
{
    const wchar_t* path = walk->path.text;
    HANDLE directory;
    BY_HANDLE_FILE_INFORMATION information;
    Status status = OpenEntry(PlaceOf(parent, listed, path), FILE_LIST_DIRECTORY | DELETE,
                              &directory, &information);
    if (status) {
        *kind = NoteUnopened(status, path);
        return false;
    }
    bool listedOne = IsListedDirectory(information, volume, listed);
    if (listedOne && walk->depth == 0 && IsProtectedFolder(directory, IndexOf(information))) {
        FailForPath(ERROR_ACCESS_DENIED, "RemoveTree", walk->asked);
        *kind = NoteOutcome(OutcomeKept, walk->asked);
    } else if (!listedOne) {
        *kind = RemoveLink(path, directory, information.dwFileAttributes);
    } else if (PushLevel(walk, directory, information)) {
        return true;
    } else {
        FailForPath(ERROR_NOT_ENOUGH_MEMORY, "RemoveTree", path);
        *kind = NoteOutcome(OutcomeKept, path);
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
                           : RemoveEmptiedDirectory(level, path);
    CheckedCloseHandle(level.listing.directory);
    free(level.listing.buffer);
    if (--walk->depth > 0) {
        walk->path.length = walk->levels[walk->depth - 1].pathLength;
        walk->path.text[walk->path.length] = L'\0';
    }
    return kind;
}

// One entry listed in the directory held as `directory` (on `volume`), its name appended to the
// working path. True when it is a directory that was entered.
static bool VisitEntry(TreeWalk* walk, HANDLE directory, DWORD volume, const ListedEntry& entry,
                       OutcomeKind* kind)
{
    const wchar_t* path = walk->path.text;
    if (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        *kind = RemoveListedLink(PlaceOf(directory, entry, path));
    else if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY)
        return EnterDirectory(walk, directory, volume, entry, kind);
    else
        *kind = RemoveListedFile(directory, volume, entry, path);
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
        } else if (VisitEntry(walk, level.listing.directory, level.volume, entry, &kind)) {
            continue;
        }
        walk->path.length = end;
        walk->path.text[end] = L'\0';
        Fold(walk, kind);
    }
}

// The root is found in its parent's listing by its name, and opened inside that parent, as each
// directory below it is: a link that took its place is seen as one, and what is entered is
// judged by its handle. The parent is reached as any path is, by the walk, which holds it.
static OutcomeKind RemoveRoot(TreeWalk* walk)
{
    const wchar_t* path = walk->path.text;
    WalkedPlace parent;
    Status status = WalkToParent(path, ViewOfThisProgram, &parent);
    if (status)
        return NoteUnopened(status, path);
    BY_HANDLE_FILE_INFORMATION held;
    alignas(8) unsigned char found[sizeof(FILE_ID_BOTH_DIR_INFO) + MAX_PATH * sizeof(wchar_t)];
    int done = 1;
    status = CheckedHandleInformation(parent.folder, &held);
    if (!status)
        status = CheckedFindBelow(parent.folder, parent.name, parent.length, found, sizeof found,
                                  path, &done);
    if (status || done)
        return NoteOutcome(status ? OutcomeKept : OutcomeAbsent, path);
    OutcomeKind kind;
    bool entered = VisitEntry(walk, parent.folder, held.dwVolumeSerialNumber,
                              ListedFrom(reinterpret_cast<FILE_ID_BOTH_DIR_INFO*>(found)), &kind);
    return entered ? WalkTree(walk) : kind;
}

OutcomeKind RemoveTree(const wchar_t* path)
{
    TreeWalk walk = {};
    walk.asked = path;
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
