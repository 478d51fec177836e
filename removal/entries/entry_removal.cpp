#include "removal/entries/entry_removal.h"

#include <cstdlib>
#include <cstring>
#include <iterator>
#include <winternl.h>

#include "removal/own_files/self_remover.h"
#include "removal/safety/path_walk.h"
#include "removal/safety/restart_schedule.h"
#include "sysops/checked.h"
#include "sysops/code_page.h"
#include "sysops/file_helpers.h"
#include "sysops/handle_ops.h"
#include "text/deferred_list.h"
#include "text/path_text.h"

Status OpenEntryAt(const EntryPlace& place, DWORD access, DWORD share, DWORD options,
                   HANDLE* opened)
{
    if (!place.directory)
        return OpenByWalk(place.path, ViewOfThisProgram, access, share, options, opened);
    access |= SYNCHRONIZE | FILE_READ_ATTRIBUTES;
    return CheckedOpenBelow(place.directory, place.name, place.length, access, share, options,
                            place.path, opened);
}

uint64_t IndexOf(const BY_HANDLE_FILE_INFORMATION& information)
{
    return (uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow;
}

OutcomeKind ScheduleAtRestart(HANDLE entry, const wchar_t* path, bool movable)
{
    if (HandToRestart(entry, path, movable))
        return NoteOutcome(OutcomeKept, path);
    return NoteOutcome(OutcomeAtRestart, path);
}

OutcomeKind SettleRemoval(Status status, HANDLE entry, const wchar_t* path, bool deniedMeansInUse)
{
    if (!status)
        return NoteOutcome(OutcomeRemoved, path);
    if (status->code == ERROR_FILE_NOT_FOUND || status->code == ERROR_PATH_NOT_FOUND)
        return NoteOutcome(OutcomeAbsent, path);
    if (status->code == ERROR_SHARING_VIOLATION ||
        (status->code == ERROR_ACCESS_DENIED && deniedMeansInUse))
        return ScheduleAtRestart(entry, path, true);
    return NoteOutcome(OutcomeKept, path);
}

// The entry held as `peek`, which its holder keeps from being removed, is the program's own:
// the program holds its own file sharing nothing but reading.
static bool DeferIfOwnHeld(HANDLE peek)
{
    ErrorRecord refusal = TheErrorRecord;
    uint64_t index;
    bool own = !CheckedFileIndex(peek, &index) && DeferIfOwnEntry(peek, index);
    TheErrorRecord = refusal;
    return own;
}

OutcomeKind SettleUnopened(Status status, const EntryPlace& place, bool mayBeOwn)
{
    bool gone = status->code == ERROR_FILE_NOT_FOUND || status->code == ERROR_PATH_NOT_FOUND;
    if (status->code != ERROR_SHARING_VIOLATION)
        return NoteOutcome(gone ? OutcomeAbsent : OutcomeKept, place.path);
    // Looking at an entry conflicts with no one's sharing; the refusal stays the record's.
    ErrorRecord refusal = TheErrorRecord;
    HANDLE peek;
    const DWORD any = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    bool seen = !OpenEntryAt(place, FILE_READ_ATTRIBUTES, any, 0, &peek);
    TheErrorRecord = refusal;
    if (!seen)
        return NoteOutcome(OutcomeKept, place.path);
    OutcomeKind kind = mayBeOwn && DeferIfOwnHeld(peek)
                           ? NoteOutcome(OutcomeRemoved, place.path)
                           : ScheduleAtRestart(peek, place.path, false);
    CloseHandle(peek);
    return kind;
}

// The file held as `file` refused its deletion (the record tells how): the program's own running
// file does, as every running program's does; so does a read-only file, which is made writable
// and tried again. Once the file is not read-only, access denied can only mean that it is a
// running program.
static OutcomeKind SettleRefused(HANDLE file, const wchar_t* path, bool mayBeOwn)
{
    ErrorRecord refusal = TheErrorRecord;
    BY_HANDLE_FILE_INFORMATION information;
    Status status = CheckedHandleInformation(file, &information);
    TheErrorRecord = refusal;
    if (status)
        return NoteOutcome(OutcomeKept, path);
    if (mayBeOwn && DeferIfOwnEntry(IndexOf(information), information.dwVolumeSerialNumber))
        return NoteOutcome(OutcomeRemoved, path);
    if (!(information.dwFileAttributes & AttributeReadOnly))
        return SettleRemoval(&TheErrorRecord, file, path, true);
    if ((status = ClearReadOnly(file, path, information.dwFileAttributes)))
        return SettleRemoval(status, file, path, false);
    return SettleRemoval(CheckedMarkForDeletion(file, path), file, path, true);
}

OutcomeKind RemoveFileAt(const EntryPlace& place, bool mayBeOwn)
{
    // Most files go at the first try, as the handle that opened them for that closes; only a
    // refusal is worth a look at what the entry is.
    HANDLE file;
    const DWORD any = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    Status status = OpenEntryAt(place, DELETE, any, FILE_NON_DIRECTORY_FILE | FILE_DELETE_ON_CLOSE,
                                &file);
    if (!status)
        return NoteOutcome(CheckedCloseHandle(file) ? OutcomeKept : OutcomeRemoved, place.path);
    if (status->code != ERROR_ACCESS_DENIED ||
        (status = OpenEntryAt(place, DELETE | FILE_WRITE_ATTRIBUTES, any, FILE_NON_DIRECTORY_FILE,
                              &file)))
        return SettleUnopened(status, place, mayBeOwn);
    OutcomeKind kind = SettleRefused(file, place.path, mayBeOwn);
    CheckedCloseHandle(file);
    return kind;
}

// The program's own file and each folder above it, as the file system identifies them, with
// the length of `spelled` that names each: the path the walk reached them by, in the ANSI code
// page that the helper is told paths in. Found at the first look after OwnPath changed.
struct OwnEntry {
    DWORD volume;
    uint64_t index;
    size_t length;
};
struct OwnEntries {
    char foundFor[sizeof OwnPath];
    char spelled[sizeof OwnPath];
    size_t count;
    OwnEntry entries[sizeof OwnPath / 2 + 1];  // a name and a backslash at least for each
};
// Made on the heap at the first use: as a fixed array it would be stored in the program's file.
static OwnEntries* Own;

// What a walk to the own file has shown so far.
struct OwnWalk {
    size_t visits;
    bool bound;      // the program holds its own file: its identity is the one below
    DWORD volume;
    uint64_t index;
};

// One entry on the way to the own file, the file itself last. The root of the drive or share is
// none of the product's, and a name that the code page cannot hold could not be handed on.
static void AddOwnEntry(HANDLE entry, const wchar_t* text, size_t length, void* context)
{
    auto* walk = static_cast<OwnWalk*>(context);
    char spelled[sizeof OwnPath];
    BY_HANDLE_FILE_INFORMATION information;
    if (walk->visits++ == 0 || Own->count == std::size(Own->entries) ||
        !ToAnsi(text, length, spelled, sizeof spelled, true) ||
        CheckedHandleInformation(entry, &information))
        return;
    OwnEntry own = {information.dwVolumeSerialNumber, IndexOf(information), strlen(spelled)};
    if (text[length] == L'\0' && walk->bound)
        own = {walk->volume, walk->index, own.length};
    memcpy(Own->spelled, spelled, sizeof spelled);
    Own->entries[Own->count++] = own;
}

// Every folder from the first below the drive or share, and the file itself: reached from where
// the held image lies now, as the disk names it; without a held image, from OwnPath.
static bool FindOwnEntries()
{
    if (!Own && !(Own = static_cast<OwnEntries*>(calloc(1, sizeof *Own))))
        return false;
    if (strcmp(Own->foundFor, OwnPath) == 0)
        return true;
    memcpy(Own->foundFor, OwnPath, sizeof OwnPath);
    Own->count = 0;
    auto* path = static_cast<wchar_t*>(malloc(WidePathLimit * sizeof(wchar_t)));
    if (!path)
        return true;
    ErrorRecord kept = TheErrorRecord;
    OwnWalk walk = {};
    walk.bound = OwnImageIdentity(&walk.volume, &walk.index) &&
                 OwnImagePath(path, WidePathLimit);
    if (walk.bound ||
        (OwnPath[0] && MultiByteToWideChar(CP_ACP, 0, OwnPath, -1, path, WidePathLimit) > 0))
        VisitWalkedFolders(path, walk.bound ? ViewOfDisk : ViewOfThisProgram, AddOwnEntry, &walk);
    TheErrorRecord = kept;
    free(path);
    return true;
}

// The program's own entry with this identity; the volume is asked of `held` only when an index
// matches, as that question costs more than a deletion on some systems.
static bool DeferOwnEntry(uint64_t index, DWORD volume, HANDLE held)
{
    if (!FindOwnEntries())
        return false;
    for (size_t i = 0; i < Own->count; ++i) {
        const OwnEntry& own = Own->entries[i];
        if (own.index != index)
            continue;
        BY_HANDLE_FILE_INFORMATION information;
        if (held && CheckedHandleInformation(held, &information))
            return false;
        if (held)
            volume = information.dwVolumeSerialNumber;
        held = nullptr;
        if (own.volume != volume)
            continue;
        char path[sizeof OwnPath];
        memcpy(path, Own->spelled, own.length);
        path[own.length] = '\0';
        DeferOwnEntryPath(path);
        return true;
    }
    return false;
}

bool DeferIfOwnEntry(uint64_t index, DWORD volume)
{
    return DeferOwnEntry(index, volume, nullptr);
}

bool DeferIfOwnEntry(HANDLE held, uint64_t index)
{
    return DeferOwnEntry(index, 0, held);
}
