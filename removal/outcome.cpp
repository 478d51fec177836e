#include "removal/outcome.h"

#include <cstdlib>
#include <cstring>

#include "removal/ascii_case.h"
#include "sysops/error_record.h"

RemovalOutcome Outcome;
ProgressHandler RemovalProgress;

static char* Lines;
static size_t LinesUsed;
static size_t LinesCapacity;

static const char* const OutcomeWords[] = {"removed", "already absent", "at restart", "kept"};

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

static void AddLine(OutcomeKind kind, const char* what)
{
    char reason[sizeof TheErrorRecord.text];
    size_t reasonLength = kind == OutcomeKept ? FlattenReason(reason, sizeof reason) : 0;
    const char* word = OutcomeWords[kind];
    size_t wordLength = strlen(word);
    size_t whatLength = strlen(what);
    size_t length = wordLength + 1 + whatLength + (kind == OutcomeKept ? 1 + reasonLength : 0) + 2;
    if (whatLength > OutcomeLinesLimit || !ReserveLines(length)) {
        ++Outcome.linesLeftOut;
        return;
    }
    AppendText(word, wordLength);
    AppendText("\t", 1);
    AppendText(what, whatLength);
    if (kind == OutcomeKept) {
        AppendText("\t", 1);
        AppendText(reason, reasonLength);
    }
    AppendText("\r\n", 2);
}

OutcomeKind NoteOutcome(OutcomeKind kind, const char* what)
{
    uint32_t* counts[] = {&Outcome.removed, &Outcome.absent, &Outcome.atRestart, &Outcome.kept};
    ++*counts[kind];
    if (kind != OutcomeRemoved)
        AddLine(kind, what);
    if (RemovalProgress)
        RemovalProgress(what);
    return kind;
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

bool AnyAtRestartBelow(const char* directory)
{
    size_t length = strlen(directory);
    while (length > 0 && directory[length - 1] == '\\')
        --length;
    static const char Word[] = "at restart\t";
    for (const char* line = OutcomeLines(); *line;) {
        if (strncmp(line, Word, sizeof Word - 1) == 0 &&
            IsBelow(line + sizeof Word - 1, directory, length))
            return true;
        const char* end = strchr(line, '\n');
        line = end ? end + 1 : line + strlen(line);
    }
    return false;
}

void ClearOutcome()
{
    free(Lines);
    Lines = nullptr;
    LinesUsed = 0;
    LinesCapacity = 0;
    Outcome = RemovalOutcome();
}
