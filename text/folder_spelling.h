#pragma once
// How a protected folder is told by its spelling, once Windows has made the path full: trailing
// backslashes do not count, nor ASCII letter case; every other byte counts as it is. Free of
// Windows.

// Drops the trailing backslashes of a full path; false when nothing is left, and for a drive or
// share root, which no entry reaches anyway (a root keeps one backslash).
bool TrimFolderPath(char* path);

// True when two trimmed full paths spell one folder.
bool SameFolderSpelling(const char* a, const char* b);
