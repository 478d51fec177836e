#include "removal/results/outcome_lines.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "sysops/error_record.h"
#include "text/ascii_case.h"
#include "text/path_text.h"

static char* Lines;
static size_t LinesUsed;
static size_t LinesCapacity;

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

// The UTF-8 bytes of `length` UTF-16 characters; an unpaired surrogate, which no UTF-8 text can
// hold, shows as U+FFFD.
static size_t Utf8Length(const wchar_t* text, size_t length)
{
    if (length == 0)
        return 0;
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0,
                                    nullptr, nullptr);
    return bytes > 0 ? static_cast<size_t>(bytes) : 0;
}

// `bytes` as Utf8Length gave them, room reserved.
static void AppendUtf8(const wchar_t* text, size_t length, size_t bytes)
{
    if (bytes > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), Lines + LinesUsed,
                            static_cast<int>(bytes), nullptr, nullptr);
    LinesUsed += bytes;
    Lines[LinesUsed] = '\0';
}

void RecordOnOneLine(char* out, int size)
{
    char flat[sizeof TheErrorRecord.text];
    wchar_t reason[sizeof TheErrorRecord.text];
    int converted = FlattenReason(flat, sizeof flat) > 0
                        ? MultiByteToWideChar(CP_ACP, 0, flat, -1, reason, sizeof flat)
                        : 0;
    if (converted <= 0 ||
        WideCharToMultiByte(CP_UTF8, 0, reason, -1, out, size, nullptr, nullptr) <= 0)
        out[0] = '\0';
}

// `what` is shown after `lead`, then `detail` (UTF-8) when there is one.
static bool AddLine(const char* word, const char* lead, const wchar_t* what, size_t whatLength,
                    const char* detail)
{
    size_t wordLength = strlen(word), leadLength = strlen(lead);
    size_t whatBytes = Utf8Length(what, whatLength), detailLength = detail ? strlen(detail) : 0;
    size_t length = wordLength + 1 + leadLength + whatBytes + (detail ? 1 + detailLength : 0) + 2;
    if (whatLength > OutcomeLinesLimit || !ReserveLines(length))
        return false;
    AppendText(word, wordLength);
    AppendText("\t", 1);
    AppendText(lead, leadLength);
    AppendUtf8(what, whatLength, whatBytes);
    if (detail) {
        AppendText("\t", 1);
        AppendText(detail, detailLength);
    }
    AppendText("\r\n", 2);
    return true;
}

bool AddOutcomeLine(const char* word, const wchar_t* path, const char* detail)
{
    const char* lead;
    const wchar_t* plain = PlainPath(path, &lead);
    return AddLine(word, lead, plain, wcslen(plain), detail);
}

bool AddLogTextLine(const char* word, const char* text, const char* detail)
{
    size_t length = strlen(text);
    wchar_t* wide = length > OutcomeLinesLimit
                        ? nullptr
                        : static_cast<wchar_t*>(malloc((length + 1) * sizeof(wchar_t)));
    if (!wide)
        return false;
    int converted = length ? MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), wide,
                                                 static_cast<int>(length))
                           : 0;
    bool added = AddLine(word, "", wide, converted > 0 ? static_cast<size_t>(converted) : 0,
                         detail);
    free(wide);
    return added;
}

void AddHeldName(HeldNames* names, const wchar_t* name)
{
    size_t room = sizeof names->text - names->length;
    char text[sizeof names->text];
    int length = WideCharToMultiByte(CP_UTF8, 0, name, -1, text, sizeof text, nullptr, nullptr);
    if (names->count++ >= HeldNamesShown || length <= 0 || static_cast<size_t>(length) + 1 > room)
        return;
    if (names->length > 0)
        names->text[names->length++] = '\t';
    memcpy(names->text + names->length, text, static_cast<size_t>(length));
    names->length += static_cast<size_t>(length) - 1;
}

const wchar_t* PlainPath(const wchar_t* path, const char** lead)
{
    *lead = "";
    if (wcsncmp(path, L"\\\\?\\", 4) != 0)
        return path;
    if (!MatchesIgnoringCase(path + 4, "unc\\", 4))
        return path + 4;
    *lead = "\\\\";
    return path + 8;
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

// A line of `word` whose path lies below `directory`, as the lines spell it.
static bool AnyLineBelow(const char* word, const char* directory)
{
    size_t wordLength = strlen(word), length = TrimmedLength(directory, strlen(directory));
    for (const char* line = OutcomeLines(); *line;) {
        if (strncmp(line, word, wordLength) == 0 && line[wordLength] == '\t' &&
            IsBelow(line + wordLength + 1, directory, length))
            return true;
        const char* end = strchr(line, '\n');
        line = end ? end + 1 : line + strlen(line);
    }
    return false;
}

// Compared as the lines spell it: in UTF-8, as a user writes the path.
bool AnyLineBelow(const char* word, const wchar_t* directory)
{
    const char* lead;
    const wchar_t* plain = PlainPath(directory, &lead);
    size_t length = wcslen(plain), leadLength = strlen(lead);
    size_t bytes = Utf8Length(plain, length);
    char* text = static_cast<char*>(malloc(leadLength + bytes + 1));
    if (!text)
        return false;
    memcpy(text, lead, leadLength);
    if (bytes > 0)
        WideCharToMultiByte(CP_UTF8, 0, plain, static_cast<int>(length), text + leadLength,
                            static_cast<int>(bytes), nullptr, nullptr);
    text[leadLength + bytes] = '\0';
    bool found = AnyLineBelow(word, text);
    free(text);
    return found;
}

void ClearOutcomeLines()
{
    free(Lines);
    Lines = nullptr;
    LinesUsed = 0;
    LinesCapacity = 0;
}
