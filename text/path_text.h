#pragma once
// Path text in fixed buffers: every write is bounded by the buffer's size. Free of Windows.
#include <cstddef>

constexpr size_t PathBufferSize = 260;    // MAX_PATH, terminator included
constexpr size_t WidePathLimit = 32767;   // the system's limit for a wide path, terminator included

// Appends a backslash unless `path` already ends with one (an empty path gets one too), then
// `name`. Returns false and leaves `path` as it was when the result would not fit `size`.
bool AppendComponent(char* path, size_t size, const char* name);

// The length of the first `length` characters of `path` without their trailing backslashes:
// a search for a path that ends with one finds nothing, so "...\bin\" is looked at, and removed,
// as "...\bin". A drive root ("C:\", "\\?\C:\") and a lone backslash keep one: without it,
// "C:" would name the current directory of that drive.
size_t TrimmedLength(const char* path, size_t length);
size_t TrimmedLength(const wchar_t* path, size_t length);
// Cuts `path` to its TrimmedLength.
void DropTrailingBackslashes(char* path);

// `directory`, a backslash unless it ends with one, and `name`. Returns false, leaving `out`
// empty, when that would not fit `size`.
bool JoinPath(char* out, size_t size, const char* directory, const char* name);

// The part after the last backslash; else after the last forward slash; else after the last
// colon; else the whole path.
const char* BaseName(const char* path);

// Copies `text` whole into `out`; false (and `out` empty) when it does not fit `size`.
bool CopyBounded(char* out, size_t size, const char* text);

// A full path as written: a drive letter, a colon and a backslash, or "\\server\share".
bool IsFullPathSyntax(const char* path);

// A lone backslash (the current drive's root), a drive root ("C:", "C:\") or a share root
// ("\\server\share", with or without one trailing backslash), or something shorter
// ("\\server"); either spelled in the device namespace ("\\?\C:\", "\\.\UNC\server\share");
// and anything else there, a volume or a device.
bool IsRootPath(const char* path);
