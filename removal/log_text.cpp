#include "removal/log_text.h"

#include "removal/ascii_case.h"

namespace {

struct TagName {
    const char* text;
    size_t length;
    LogTag tag;
};

// "dir:" cannot take an entry that starts "dirw:": their fourth characters differ.
constexpr TagName TagNames[] = {
    {"file:", 5, TagFile},
    {"dir:", 4, TagDir},
    {"dirw:", 5, TagDirw},
    {"key:", 4, TagKey},
    {"link:", 5, TagLink},
};

bool StartsWithIgnoringCase(const char* entry, size_t length, const TagName& name)
{
    return length >= name.length && MatchesIgnoringCase(entry, name.text, name.length);
}

}  // namespace

void TerminateLogEntries(char* buffer, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        if (static_cast<unsigned char>(buffer[i]) < 32)
            buffer[i] = '\0';
}

bool NextLogEntry(char* buffer, size_t size, size_t* position, char** entry, size_t* length)
{
    size_t at = *position;
    while (at < size && buffer[at] == '\0')
        ++at;
    if (at >= size) {
        *position = size;
        return false;
    }
    size_t end = at;
    while (end < size && buffer[end] != '\0')
        ++end;
    *entry = buffer + at;
    *length = end - at;
    *position = end;
    return true;
}

LogTag MatchTag(char* entry, size_t length, char** argument)
{
    for (const TagName& name : TagNames) {
        if (StartsWithIgnoringCase(entry, length, name)) {
            *argument = entry + name.length;
            return name.tag;
        }
    }
    *argument = nullptr;
    return TagNone;
}
