#include "text/log_text.h"

#include <cstring>

#include "text/ascii_case.h"

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

bool StartsWithTag(char* entry, size_t length, const char* tag, char** argument)
{
    size_t tagLength = strlen(tag);
    if (length < tagLength || !MatchesIgnoringCase(entry, tag, tagLength))
        return false;
    *argument = entry + tagLength;
    return true;
}
