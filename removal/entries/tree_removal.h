#pragma once
// Removing a directory with everything below it, depth first.
#include "removal/results/outcome.h"

// Removes `path` (a full path that the caller has found safe to empty: no root, no folder of
// Windows), a file or a directory with everything below it. An entry that stays, and the
// directories above it, are left, and the walk goes on with the rest. Every file and directory
// is noted in the outcome; the worst of them comes back.
OutcomeKind RemoveTree(const wchar_t* path);
