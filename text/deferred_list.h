#pragma once
// The uninstaller's own file and the directories above it cannot be removed while it runs: they
// are set aside in the DeferredList for the self-remover. Free of Windows.
#include <cstddef>

// Full path of the running executable; filled at start-up in wizard mode. Empty while unknown:
// nothing is deferred then.
extern char OwnPath[260];
// The same path as the file system spells it, which the tree walk compares with what it finds;
// empty unless OwnPath is its exact conversion: a path found in a tree is handed to the helper
// in the ANSI form, which must then name the same file.
extern wchar_t OwnWidePath[260];

// Blank-separated paths, each in double quotes, in the order deferred; null while empty.
// A path's trailing backslashes are doubled inside its quotes, so that the helper's argument
// splitting gives back exactly that path.
extern char* DeferredList;

// 1 when `path` was set aside (appended to the DeferredList), 0 when the caller removes it now:
// only the own path itself and the folders above it (ending at one of its backslashes) are.
int DeferIfOwnPath(const char* path);

// Appends `path`, which names the own file or a folder above it by its identity on disk, however
// it is spelled.
void DeferOwnEntryPath(const char* path);

// 0 when `a` is a prefix of `b`, ignoring ASCII letter case; else the difference of the first
// differing pair, folded to lower case.
int PrefixCompare(const char* a, const char* b);

// Empties the list and releases its memory.
void ClearDeferredList();
