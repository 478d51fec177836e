#include "removal/outcome.h"

#include <cstdlib>
#include <cstring>

#include "removal/ascii_case.h"
#include "sysops/error_record.h"
#include "sysops/record_text.h"

RemovalOutcome Outcome;
ProgressHandler RemovalProgress;

static char* Lines;
static size_t LinesUsed;
static size_t LinesCapacity;

static const char* const OutcomeWords[] = {"removed", "already absent", "your files", "at restart",
                                           "kept"};

// Room for `more` bytes and a terminator, within the limit; false leaves the text as it was.
static bool ReserveLines(size_t more)
{
    if (more > OutcomeLinesLimit - LinesUsed - 1)
        return false;
    size_t needed = LinesUsed + more + 1;
    if (needed <= LinesCapacity)
        return true;
    size_t capacity = LinesCapacity ? LinesCapacity : 4096;
    while (capacity < needed)
        capacity *= 2;
    char* grown = static_cast<char*>(realloc(Lines, capacity));
    if (!grown)
        return false;
    Lines = grown;
    LinesCapacity = capacity;
    return true;
}

static void AppendText(const char* text, size_t length)
{
    memcpy(Lines + LinesUsed, text, length);
    LinesUsed += length;
    Lines[LinesUsed] = '\0';
}

// The record's text on one line: the system message ends in a line break before the
// "(label) (code) (detail)" part, and each run of control bytes becomes one blank.
static size_t FlattenReason(char* out, size_t size)
{
    size_t length = 0;
    bool blank = false;
    for (const char* c = TheErrorRecord.text; *c && length + 1 < size; ++c) {
        bool control = static_cast<unsigned char>(*c) < 32;
        if (control && (blank || length == 0))
            continue;
        blank = control || *c == ' ';
        out[length++] = control ? ' ' : *c;
    }
    while (length > 0 && out[length - 1] == ' ')
        --length;
    out[length] = '\0';
    return length;
}

// The line of one outcome; a kept one takes its reason from the record, the user's own folder or
// key the names it holds (`detail`), under its own word.
static void AddLine(OutcomeKind kind, const char* what, const char* word = nullptr,
                    const char* detail = nullptr)
{
    char reason[sizeof TheErrorRecord.text];
    if (kind == OutcomeKept) {
        FlattenReason(reason, sizeof reason);
        detail = reason;
    }
    if (!word)
        word = OutcomeWords[kind];
    size_t wordLength = strlen(word);
    size_t whatLength = strlen(what);
    size_t detailLength = detail ? strlen(detail) : 0;
    size_t length = wordLength + 1 + whatLength + (detail ? 1 + detailLength : 0) + 2;
    if (whatLength > OutcomeLinesLimit || !ReserveLines(length)) {
        ++Outcome.linesLeftOut;
        return;
    }
    AppendText(word, wordLength);
    AppendText("\t", 1);
    AppendText(what, whatLength);
    if (detail) {
        AppendText("\t", 1);
        AppendText(detail, detailLength);
    }
    AppendText("\r\n", 2);
}

OutcomeKind NoteOutcome(OutcomeKind kind, const char* what)
{
    uint32_t* counts[] = {&Outcome.removed, &Outcome.absent, &Outcome.yours, &Outcome.atRestart,
                          &Outcome.kept};
    ++*counts[kind];
    if (kind != OutcomeRemoved)
        AddLine(kind, what);
    if (RemovalProgress)
        RemovalProgress(what);
    return kind;
}

void AddHeldName(HeldNames* names, const char* name)
{
    size_t length = strlen(name);
    size_t room = sizeof names->text - names->length;
    if (names->count++ < HeldNamesShown && length + 1 < room) {
        if (names->length > 0)
            names->text[names->length++] = '\t';
        memcpy(names->text + names->length, name, length + 1);
        names->length += length;
    }
}

void NoteUsersOwn(bool settings, const char* what, const HeldNames& names)
{
    char detail[sizeof names.text + 32];
    memcpy(detail, names.text, names.length);
    detail[names.length] = '\0';
    if (names.count > HeldNamesShown)
        FormatText(detail + names.length, sizeof detail - names.length, "%sand %u more",
                   names.length ? "\t" : "", names.count - HeldNamesShown);
    AddLine(OutcomeYours, what, settings ? "your settings" : nullptr, detail);
    ++Outcome.yours;
    if (RemovalProgress)
        RemovalProgress(what);
}

const char* OutcomeLines()
{
    return Lines ? Lines : "";
}

// `path` names something inside the first `length` characters of `directory`.
static bool IsBelow(const char* path, const char* directory, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        if (FoldAsciiLower(path[i]) != FoldAsciiLower(directory[i]))
            return false;
    }
    return path[length] == '\\';
}

// A line of `word` whose path lies below `directory`.
static bool AnyLineBelow(const char* word, const char* directory)
{
    size_t wordLength = strlen(word);
    size_t length = strlen(directory);
    while (length > 0 && directory[length - 1] == '\\')
        --length;
    for (const char* line = OutcomeLines(); *line;) {
        if (strncmp(line, word, wordLength) == 0 && line[wordLength] == '\t' &&
            IsBelow(line + wordLength + 1, directory, length))
            return true;
        const char* end = strchr(line, '\n');
        line = end ? end + 1 : line + strlen(line);
    }
    return false;
}

bool AnyAtRestartBelow(const char* directory)
{
    return AnyLineBelow(OutcomeWords[OutcomeAtRestart], directory);
}

bool AnyKeptBelow(const char* directory)
{
    return AnyLineBelow(OutcomeWords[OutcomeKept], directory);
}

void ClearOutcome()
{
    free(Lines);
    Lines = nullptr;
    LinesUsed = 0;
    LinesCapacity = 0;
    Outcome = RemovalOutcome();
}
