#pragma once
// The command line that starts the temporary copy in helper mode, and the copy's path. Free of
// Windows: every write is bounded by the buffer's size.
#include <cstddef>

// The longest command line that Windows hands to a new process, terminator included.
constexpr size_t HelperCommandLineSize = 32767;

// The copy's file name inside the run's private folder.
constexpr wchar_t HelperFileNameW[] = L"uninstallvx.exe";

// True when `argument` is the helper-mode switch "-u", in either letter case.
bool IsHelperSwitch(const char* argument);

// The copy's path in double quotes, " -u", then each quoted path of `deferred` (the
// DeferredList) that still fits whole, each after one blank. A path that does not fit is left
// out whole, and so is anything in `deferred` that is not a well-formed quoted path, since it
// would run into the paths after it when the child splits its arguments.
// Returns the number of paths left out, or -1 (and `out` empty) when not even the copy's path
// and the switch fit.
int BuildHelperCommandLine(char* out, size_t size, const char* copyPath, const char* deferred);

// Splits `list`, a DeferredList text, into its paths as the helper receives them: quotes
// removed, doubled trailing backslashes halved. Works in place: each path becomes a terminated
// string inside `list`. Stores at most `capacity` paths (`list` is left unchanged when `paths`
// is null) and returns how many well-formed paths the list holds; other text is skipped, as
// BuildHelperCommandLine skips it.
size_t SplitDeferredList(char* list, char** paths, size_t capacity);

// Reorders `paths` so that each comes before every directory above it: the deeper a path (the
// more names it has), the earlier it goes; paths of equal depth keep their order. A directory
// listed before its contents is then empty on its turn. False, and the order unchanged, when
// memory for the sort cannot be had.
bool OrderForRemoval(char** paths, size_t count);
