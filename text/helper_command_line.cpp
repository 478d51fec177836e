#include "text/helper_command_line.h"

#include <cstdlib>
#include <cstring>

#include "text/ascii_case.h"
#include "text/path_text.h"

bool IsHelperSwitch(const char* argument)
{
    // The terminator takes part: "-u" and nothing after it.
    return MatchesIgnoringCase(argument, "-u", sizeof "-u");
}

// Length of the quoted path that starts at `entry` (on its opening quote), both quotes
// included; 0 when it has no closing quote or when the closing quote follows an odd number of
// backslashes, which would make that quote literal and join the next path to this one.
static size_t QuotedEntryLength(const char* entry)
{
    const char* close = strchr(entry + 1, '"');
    if (!close)
        return 0;
    const char* backslashes = close;
    while (backslashes > entry + 1 && backslashes[-1] == '\\')
        --backslashes;
    if ((close - backslashes) % 2 != 0)
        return 0;
    return static_cast<size_t>(close - entry) + 1;
}

// The next quoted path of a DeferredList text at or after *at: *at moves to its opening quote
// and *length takes its length, both quotes included. Text that is not a path the list wrote
// is skipped to the next blank and counted in *skipped. False at the end of the text.
static bool NextQuotedPath(const char** at, size_t* length, int* skipped)
{
    for (;;) {
        *at += strspn(*at, " ");
        if (**at == '\0')
            return false;
        *length = **at == '"' ? QuotedEntryLength(*at) : 0;
        if (*length != 0)
            return true;
        ++*skipped;
        *at += strcspn(*at, " ");
    }
}

// Appends `length` characters of `text` after the `*used` characters already in `out`, when
// they and the terminator fit; else changes nothing.
static bool AppendFitting(char* out, size_t size, size_t* used, const char* text, size_t length)
{
    if (length >= size - *used)
        return false;
    memcpy(out + *used, text, length);
    *used += length;
    out[*used] = '\0';
    return true;
}

int BuildHelperCommandLine(char* out, size_t size, const char* copyPath, const char* deferred)
{
    if (size == 0)
        return -1;
    size_t used = 0;
    out[0] = '\0';
    if (!AppendFitting(out, size, &used, "\"", 1) ||
        !AppendFitting(out, size, &used, copyPath, strlen(copyPath)) ||
        !AppendFitting(out, size, &used, "\" -u", 4)) {
        out[0] = '\0';
        return -1;
    }
    int omitted = 0;
    const char* at = deferred ? deferred : "";
    for (size_t length; NextQuotedPath(&at, &length, &omitted); at += length) {
        size_t before = used;
        if (!AppendFitting(out, size, &used, " ", 1) ||
            !AppendFitting(out, size, &used, at, length)) {
            used = before;
            out[used] = '\0';
            ++omitted;
        }
    }
    return omitted;
}

size_t SplitDeferredList(char* list, char** paths, size_t capacity)
{
    size_t found = 0;
    int skipped = 0;
    const char* at = list;
    for (size_t length; NextQuotedPath(&at, &length, &skipped); at += length) {
        char* open = list + (at - list);
        char* close = open + length - 1;
        if (paths && found < capacity) {
            char* backslashes = close;
            while (backslashes > open + 1 && backslashes[-1] == '\\')
                --backslashes;
            *(close - (close - backslashes) / 2) = '\0';
            paths[found] = open + 1;
        }
        ++found;
    }
    return found;
}

// The number of names in `path`: runs of characters between separators.
static size_t PathDepth(const char* path)
{
    size_t depth = 0;
    bool inName = false;
    for (; *path; ++path) {
        bool separator = *path == '\\' || *path == '/';
        if (!separator && !inName)
            ++depth;
        inName = !separator;
    }
    return depth;
}

struct DepthEntry {
    char* path;
    size_t depth;
    size_t position;
};

// Deeper first; among equals the earlier, which makes the sort stable.
static int CompareForRemoval(const void* left, const void* right)
{
    const DepthEntry* a = static_cast<const DepthEntry*>(left);
    const DepthEntry* b = static_cast<const DepthEntry*>(right);
    if (a->depth != b->depth)
        return a->depth > b->depth ? -1 : 1;
    return a->position < b->position ? -1 : a->position > b->position;
}

bool OrderForRemoval(char** paths, size_t count)
{
    if (count > static_cast<size_t>(-1) / sizeof(DepthEntry))
        return false;
    DepthEntry* entries = static_cast<DepthEntry*>(malloc(count * sizeof(DepthEntry) + 1));
    if (!entries)
        return false;
    for (size_t i = 0; i < count; ++i)
        entries[i] = DepthEntry{paths[i], PathDepth(paths[i]), i};
    qsort(entries, count, sizeof *entries, CompareForRemoval);
    for (size_t i = 0; i < count; ++i)
        paths[i] = entries[i].path;
    free(entries);
    return true;
}
