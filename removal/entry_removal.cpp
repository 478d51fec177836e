#include "removal/entry_removal.h"

#include <windows.h>

#include <cstring>

#include "removal/ascii_case.h"
#include "removal/deferred_list.h"
#include "removal/restart_schedule.h"
#include "sysops/checked.h"
#include "sysops/file_helpers.h"

OutcomeKind ScheduleAtRestart(const wchar_t* path)
{
    if (HandToRestart(path))
        return NoteOutcome(OutcomeKept, path);
    return NoteOutcome(OutcomeAtRestart, path);
}

// Another program holds the entry open without delete sharing; or, for a file that is not
// read-only, the system runs it as a program (Windows answers access denied then). The record
// keeps telling why the removal failed.
static bool IsInUseHere(Status status, const wchar_t* path, bool deniedMeansInUse)
{
    if (status->code == ERROR_ACCESS_DENIED && !deniedMeansInUse)
        return false;
    ErrorRecord refusal = TheErrorRecord;
    bool inUse = IsInUse(status, path);
    TheErrorRecord = refusal;
    return inUse;
}

OutcomeKind SettleRemoval(Status status, const wchar_t* path, bool deniedMeansInUse)
{
    if (!status)
        return NoteOutcome(OutcomeRemoved, path);
    if (status->code == ERROR_FILE_NOT_FOUND || status->code == ERROR_PATH_NOT_FOUND)
        return NoteOutcome(OutcomeAbsent, path);
    if (IsInUseHere(status, path, deniedMeansInUse))
        return ScheduleAtRestart(path);
    return NoteOutcome(OutcomeKept, path);
}

// Once the file is not read-only, access denied can only mean that it is in use.
OutcomeKind DeleteKnownFile(const wchar_t* path, uint32_t attributes)
{
    Status status = Succeeded;
    if (attributes & AttributeReadOnly)
        status = ClearReadOnly(path, attributes);
    if (!status)
        status = CheckedDeleteFile(path);
    return SettleRemoval(status, path, true);
}

OutcomeKind RemoveFileThoroughly(const wchar_t* path)
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
    // The query succeeded, so the record still tells why the deletion failed.
    return SettleRemoval(status, path, info.kind == EntryFile);
}

bool DeferIfOwnPathInTree(const wchar_t* path)
{
    const char *lead, *ownLead;
    const wchar_t* plain = PlainPath(path, &lead);
    const wchar_t* own = PlainPath(OwnWidePath, &ownLead);
    if (!own[0] || strcmp(lead, ownLead) != 0)
        return false;
    size_t i = 0;
    for (; plain[i]; ++i)
        if (FoldAsciiLower(plain[i]) != FoldAsciiLower(own[i]))
            return false;
    char ansi[sizeof OwnPath];
    size_t leadLength = strlen(lead);
    memcpy(ansi, lead, leadLength);
    return ToAnsi(plain, i, ansi + leadLength, sizeof ansi - leadLength, true) &&
           DeferIfOwnPath(ansi);
}
