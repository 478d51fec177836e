#include "removal/results/outcome.h"

#include <cstring>

#include "removal/results/outcome_lines.h"
#include "sysops/error_record.h"
#include "text/record_text.h"

RemovalOutcome Outcome;
ProgressHandler RemovalProgress;

static const char* const OutcomeWords[] = {"removed", "already absent", "your files", "at restart",
                                           "kept"};

static OutcomeKind Count(OutcomeKind kind)
{
    uint32_t* counts[] = {&Outcome.removed, &Outcome.absent, &Outcome.yours, &Outcome.atRestart,
                          &Outcome.kept};
    ++*counts[kind];
    return kind;
}

// A kept one's line gives the reason the record holds; the others give none.
static const char* ReasonFor(OutcomeKind kind, char* reason, int size)
{
    if (kind != OutcomeKept)
        return nullptr;
    RecordOnOneLine(reason, size);
    return reason;
}

// A line that did not fit is counted, so that the report can say the text lacks it.
static void LeftOutUnless(bool added)
{
    if (!added)
        ++Outcome.linesLeftOut;
}

OutcomeKind NoteOutcome(OutcomeKind kind, const char* what)
{
    char reason[sizeof TheErrorRecord.text * 3];
    if (Count(kind) != OutcomeRemoved)
        LeftOutUnless(AddLogTextLine(OutcomeWords[kind], what,
                                     ReasonFor(kind, reason, sizeof reason)));
    if (RemovalProgress)
        RemovalProgress(what, nullptr);
    return kind;
}

OutcomeKind NoteOutcome(OutcomeKind kind, const wchar_t* path)
{
    char reason[sizeof TheErrorRecord.text * 3];
    if (Count(kind) != OutcomeRemoved)
        LeftOutUnless(AddOutcomeLine(OutcomeWords[kind], path,
                                     ReasonFor(kind, reason, sizeof reason)));
    if (RemovalProgress)
        RemovalProgress(nullptr, path);
    return kind;
}

void NoteRunLine(const char* word, const wchar_t* path, const char* detail)
{
    LeftOutUnless(AddOutcomeLine(word, path, detail));
}

void NoteUsersOwn(bool settings, const wchar_t* what, const HeldNames& names)
{
    char detail[sizeof names.text + 32];
    memcpy(detail, names.text, names.length);
    detail[names.length] = '\0';
    if (names.count > HeldNamesShown)
        FormatText(detail + names.length, sizeof detail - names.length, "%sand %u more",
                   names.length ? "\t" : "", names.count - HeldNamesShown);
    Count(OutcomeYours);
    LeftOutUnless(AddOutcomeLine(settings ? "your settings" : OutcomeWords[OutcomeYours], what,
                                 detail));
    if (RemovalProgress)
        RemovalProgress(nullptr, what);
}

bool AnyAtRestartBelow(const wchar_t* directory)
{
    return AnyLineBelow(OutcomeWords[OutcomeAtRestart], directory);
}

bool AnyKeptBelow(const wchar_t* directory)
{
    return AnyLineBelow(OutcomeWords[OutcomeKept], directory);
}

void ClearOutcome()
{
    ClearOutcomeLines();
    Outcome = RemovalOutcome();
}
