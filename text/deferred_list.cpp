#include "text/deferred_list.h"

#include <cstdlib>
#include <cstring>

#include "text/ascii_case.h"

char OwnPath[260];
wchar_t OwnWidePath[260];
char* DeferredList;

static size_t DeferredLength;    // characters in the list, terminator excluded
static size_t DeferredCapacity;  // bytes allocated

int PrefixCompare(const char* a, const char* b)
{
    for (;; ++a, ++b) {
        if (*a == '\0')
            return 0;
        int difference = static_cast<unsigned char>(FoldAsciiLower(*a)) -
                         static_cast<unsigned char>(FoldAsciiLower(*b));
        if (difference != 0)
            return difference;
    }
}

static size_t TrailingBackslashes(const char* path, size_t length)
{
    size_t count = 0;
    while (count < length && path[length - 1 - count] == '\\')
        ++count;
    return count;
}

// Grows the list geometrically so that many deferrals cost linear time in all.
static bool ReserveDeferred(size_t needed)
{
    if (needed <= DeferredCapacity)
        return true;
    size_t capacity = DeferredCapacity ? DeferredCapacity : 64;
    while (capacity < needed) {
        if (capacity > static_cast<size_t>(-1) / 2)
            return false;
        capacity *= 2;
    }
    char* grown = static_cast<char*>(realloc(DeferredList, capacity));
    if (!grown)
        return false;
    DeferredList = grown;
    DeferredCapacity = capacity;
    return true;
}

static void AppendDeferred(const char* path)
{
    size_t length = strlen(path);
    size_t doubled = TrailingBackslashes(path, length);
    size_t separator = DeferredLength ? 1 : 0;
    // separator, quote, path, doubled backslashes, quote, terminator
    size_t needed = DeferredLength + separator + 1 + length + doubled + 1 + 1;
    if (needed < length || !ReserveDeferred(needed))
        return;  // The path still counts as deferred; the list stays as it was.
    char* end = DeferredList + DeferredLength;
    if (separator)
        *end++ = ' ';
    *end++ = '"';
    memcpy(end, path, length);
    end += length;
    memset(end, '\\', doubled);
    end += doubled;
    *end++ = '"';
    *end = '\0';
    DeferredLength = static_cast<size_t>(end - DeferredList);
}

// The own path itself or a folder above it: a prefix that ends at a backslash of the own path.
// "...\bin" is no folder of a program in "...\bin64\", and an empty path names nothing.
static bool IsOwnPathOrAbove(const char* path)
{
    size_t length = strlen(path);
    if (length == 0 || PrefixCompare(path, OwnPath) != 0)
        return false;
    return path[length - 1] == '\\' || OwnPath[length] == '\0' || OwnPath[length] == '\\';
}

int DeferIfOwnPath(const char* path)
{
    // An unknown own path (empty) leads to nothing.
    if (OwnPath[0] == '\0' || !IsOwnPathOrAbove(path))
        return 0;
    AppendDeferred(path);
    return 1;
}

void DeferOwnEntryPath(const char* path)
{
    AppendDeferred(path);
}

void ClearDeferredList()
{
    free(DeferredList);
    DeferredList = nullptr;
    DeferredLength = 0;
    DeferredCapacity = 0;
}
