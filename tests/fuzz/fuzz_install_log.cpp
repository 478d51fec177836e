// Arbitrary bytes as an install log: the walk must stay inside the buffer, and every entry it
// yields must be a maximal run of bytes of 32 and above, in order, each argument a sub-range of
// its entry.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "removal/log_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Exactly the log's size plus the terminator, so that any overrun is caught.
    std::vector<char> buffer(data, data + size);
    buffer.push_back('\0');
    TerminateLogEntries(buffer.data(), size);

    size_t position = 0;
    size_t expectedStart = 0;
    char* entry;
    size_t length;
    while (NextLogEntry(buffer.data(), size, &position, &entry, &length)) {
        size_t start = static_cast<size_t>(entry - buffer.data());
        // Everything skipped since the last entry is separators.
        for (size_t i = expectedStart; i < start; ++i)
            if (data[i] >= 32)
                abort();
        if (length == 0 || start + length > size || position != start + length)
            abort();
        for (size_t i = start; i < start + length; ++i)
            if (data[i] < 32)
                abort();
        if (start + length < size && data[start + length] >= 32)
            abort();
        char* argument;
        LogTag tag = MatchTag(entry, length, &argument);
        if (tag != TagNone && (argument < entry || argument > entry + length || argument[-1] != ':'))
            abort();
        if (tag == TagNone && argument)
            abort();
        expectedStart = start + length;
    }
    for (size_t i = expectedStart; i < size; ++i)
        if (data[i] >= 32)
            abort();
    return 0;
}
