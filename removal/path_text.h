#pragma once
// Path text in fixed buffers: every write is bounded by the buffer's size. Free of Windows.
#include <cstddef>

constexpr size_t PathBufferSize = 260;    // MAX_PATH, terminator included

// Appends a backslash unless `path` already ends with one (an empty path gets one too), then
// `name`. Returns false and leaves `path` as it was when the result would not fit `size`.
bool AppendComponent(char* path, size_t size, const char* name);

// Drops one trailing backslash: a search for a path that ends with one finds nothing, so
// "...\bin\" is looked at, and removed, as "...\bin". A drive root ("C:\", "\\?\C:\") and a
// lone backslash keep theirs: without it, "C:" would name the current directory of that drive.
void DropTrailingBackslash(char* path);

// The part after the last backslash; else after the last forward slash; else after the last
// colon; else the whole path.
const char* BaseName(const char* path);

// `directory`, then a backslash and `pattern` when the pattern is present and not empty.
// Returns false, leaving `out` empty, when that would not fit `size`.
bool BuildSearchPath(char* out, size_t size, const char* directory, const char* pattern);

// Copies `text` whole into `out`; false (and `out` empty) when it does not fit `size`.
bool CopyBounded(char* out, size_t size, const char* text);

// A full path as written: a drive letter, a colon and a backslash, or "\\server\share".
bool IsFullPathSyntax(const char* path);

// A drive root ("C:", "C:\") or a share root ("\\server\share", with or without one trailing
// backslash), or something shorter ("\\server"); either spelled in the device namespace
// ("\\?\C:\", "\\.\UNC\server\share"); and anything else there, a volume or a device.
bool IsRootPath(const char* path);
