#include "removal/entries/entry_removal.h"

#include <cstdlib>
#include <cstring>
#include <iterator>
#include <winternl.h>

#include "removal/safety/restart_schedule.h"
#include "sysops/checked.h"
#include "sysops/file_helpers.h"
#include "sysops/handle_ops.h"
#include "text/deferred_list.h"

Status OpenEntryAt(const EntryPlace& place, DWORD access, DWORD share, DWORD options,
                   HANDLE* opened)
{
    access |= SYNCHRONIZE | FILE_READ_ATTRIBUTES;
    if (place.directory)
        return CheckedOpenBelow(place.directory, place.name, place.length, access, share,
                                options, place.path, opened);
    return CheckedOpenPath(place.path, access, share, options, opened);
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

OutcomeKind SettleUnopened(Status status, const EntryPlace& place)
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
    OutcomeKind kind = ScheduleAtRestart(peek, place.path, false);
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
        return SettleUnopened(status, place);
    OutcomeKind kind = SettleRefused(file, place.path, mayBeOwn);
    CheckedCloseHandle(file);
    return kind;
}

// The program's own file and each folder above it, as the file system identifies them, with
// the length of OwnPath that names each; found from OwnPath at the first look after it changed.
struct OwnEntry {
    DWORD volume;
    uint64_t index;
    size_t length;
};
struct OwnEntries {
    char foundFor[sizeof OwnPath];
    size_t count;
    OwnEntry entries[sizeof OwnPath / 2 + 1];  // a name and a backslash at least for each
};
// Made on the heap at the first use: as a fixed array it would be stored in the program's file.
static OwnEntries* Own;

static void AddOwnEntry(size_t length)
{
    char path[sizeof OwnPath];
    memcpy(path, OwnPath, length);
    path[length] = '\0';
    HANDLE entry;
    if (CheckedCreateFile(path, FILE_READ_ATTRIBUTES,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr, &entry))
        return;
    BY_HANDLE_FILE_INFORMATION information;
    if (!CheckedHandleInformation(entry, &information) && Own->count < std::size(Own->entries))
        Own->entries[Own->count++] = {
            information.dwVolumeSerialNumber, IndexOf(information), length};
    CloseHandle(entry);
}

// Every folder from the first below the drive or share, and the file itself.
static bool FindOwnEntries()
{
    if (!Own && !(Own = static_cast<OwnEntries*>(calloc(1, sizeof *Own))))
        return false;
    if (strcmp(Own->foundFor, OwnPath) == 0)
        return true;
    memcpy(Own->foundFor, OwnPath, sizeof OwnPath);
    Own->count = 0;
    ErrorRecord kept = TheErrorRecord;
    size_t length = strlen(OwnPath);
    size_t share = OwnPath[0] == '\\' ? 2 : 0;  // "\\server\share\": not the product's
    for (size_t at = 1; at < length; ++at) {
        if (OwnPath[at] != '\\' || OwnPath[at - 1] == ':' || OwnPath[at - 1] == '\\')
            continue;
        if (share > 0)
            --share;
        else
            AddOwnEntry(at);
    }
    if (length > 0)
        AddOwnEntry(length);
    TheErrorRecord = kept;
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
        memcpy(path, OwnPath, own.length);
        path[own.length] = '\0';
        return DeferIfOwnPath(path);
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
