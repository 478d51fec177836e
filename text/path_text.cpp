#include "text/path_text.h"

#include <cstring>
#include <initializer_list>

#include "text/ascii_case.h"

bool CopyBounded(char* out, size_t size, const char* text)
{
    size_t length = strlen(text);
    if (size == 0)
        return false;
    if (length >= size) {
        out[0] = '\0';
        return false;
    }
    memcpy(out, text, length + 1);
    return true;
}

bool AppendComponent(char* path, size_t size, const char* name)
{
    size_t length = strnlen(path, size);
    if (length >= size)
        return false;
    bool needsSeparator = length == 0 || path[length - 1] != '\\';
    size_t nameLength = strlen(name);
    size_t total = length + (needsSeparator ? 1 : 0) + nameLength;
    if (total >= size)
        return false;
    if (needsSeparator)
        path[length++] = '\\';
    memcpy(path + length, name, nameLength + 1);
    return true;
}

static bool IsDriveLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// "C:\", or the same in the device namespace.
template <typename Char>
static bool IsDriveRootSpelling(const Char* path, size_t length)
{
    size_t device = length == 7 && path[0] == '\\' && path[1] == '\\' &&
                    (path[2] == '?' || path[2] == '.') && path[3] == '\\' ? 4 : 0;
    return (length == 3 || device) && path[device] < 128 &&
           IsDriveLetter(static_cast<char>(path[device])) && path[device + 1] == ':' &&
           path[device + 2] == '\\';
}

template <typename Char>
static size_t TrimmedLengthOf(const Char* path, size_t length)
{
    while (length >= 2 && path[length - 1] == '\\' && !IsDriveRootSpelling(path, length))
        --length;
    return length;
}

size_t TrimmedLength(const char* path, size_t length)
{
    return TrimmedLengthOf(path, length);
}

size_t TrimmedLength(const wchar_t* path, size_t length)
{
    return TrimmedLengthOf(path, length);
}

void DropTrailingBackslashes(char* path)
{
    path[TrimmedLength(path, strlen(path))] = '\0';
}

bool JoinPath(char* out, size_t size, const char* directory, const char* name)
{
    if (CopyBounded(out, size, directory) && AppendComponent(out, size, name))
        return true;
    if (size > 0)
        out[0] = '\0';
    return false;
}

const char* BaseName(const char* path)
{
    for (char separator : {'\\', '/', ':'}) {
        const char* last = strrchr(path, separator);
        if (last)
            return last + 1;
    }
    return path;
}

// Length of the component at `text`, up to the next backslash or the end.
static size_t ComponentLength(const char* text)
{
    size_t length = 0;
    while (text[length] && text[length] != '\\')
        ++length;
    return length;
}

bool IsFullPathSyntax(const char* path)
{
    if (IsDriveLetter(path[0]) && path[1] == ':' && path[2] == '\\')
        return true;
    if (path[0] != '\\' || path[1] != '\\')
        return false;
    size_t server = ComponentLength(path + 2);
    if (server == 0 || path[2 + server] != '\\')
        return false;
    return ComponentLength(path + 3 + server) > 0;
}

static bool IsDriveRoot(const char* path)
{
    return path[2] == '\0' || (path[2] == '\\' && path[3] == '\0');
}

// `server` is what follows the two leading backslashes of a share path.
static bool IsShareRoot(const char* server)
{
    size_t serverLength = ComponentLength(server);
    if (server[serverLength] == '\0')
        return true;
    const char* share = server + serverLength + 1;
    size_t shareLength = ComponentLength(share);
    const char* rest = share + shareLength;
    return rest[0] == '\0' || (rest[0] == '\\' && rest[1] == '\0');
}

// The device namespace spells the same drives and shares another way: \\?\C:\ is C:\ and
// \\?\UNC\server\share is \\server\share. Whatever else it names (a volume, a device) is no
// place to remove a tree from, so it counts as a root too.
static bool IsDeviceRoot(const char* rest)
{
    if (IsDriveLetter(rest[0]) && rest[1] == ':')
        return IsDriveRoot(rest);
    return MatchesIgnoringCase(rest, "unc\\", 4) ? IsShareRoot(rest + 4) : true;
}

bool IsRootPath(const char* path)
{
    if (IsDriveLetter(path[0]) && path[1] == ':')
        return IsDriveRoot(path);
    if (path[0] == '\\' && path[1] == '\0')
        return true;
    if (path[0] != '\\' || path[1] != '\\')
        return false;
    if ((path[2] == '?' || path[2] == '.') && path[3] == '\\')
        return IsDeviceRoot(path + 4);
    return IsShareRoot(path + 2);
}
