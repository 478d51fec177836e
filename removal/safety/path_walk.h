#pragma once
// One way to reach what a path names. The program runs elevated, while a folder on a path may be
// one that a standard user can change (a data folder under ProgramData, the user's own temporary
// folder): swapped for a link, a folder opened as part of a whole path would send the program to
// wherever the link leads. So no path is opened whole: it is walked from its volume's root, each
// folder opened by its name inside the one held before it and seen to be the folder listed there
// by that name, not a link of any kind.
#include <windows.h>

#include <cstddef>

#include "sysops/error_record.h"

// How a path's text is read. A 32-bit program on 64-bit Windows is shown SysWOW64 by the name
// System32 (but for a few folders inside it), and the real System32 by the name Sysnative: the
// log and /LOG= mean what this program is shown. A running program's image path, as the system
// tells it, names the disk as it is.
enum PathView { ViewOfThisProgram, ViewOfDisk };

// Opens the entry that `path` names with `access` (and the rights to read its attributes and to
// wait on it), the share modes `share` and the native open's `options`. The path is a drive's or
// a share's, in the \\?\ form too, its "." and ".." resolved in its text first. From the volume's
// root each folder is opened inside the one before it, with every share mode, so that no holder
// stands in the way, and held; the entry itself is opened inside the last, never through a link
// at its name. A link on the way fails the walk, and the record names that folder. The folders
// stay held for the next walk, which keeps those that its own path goes through, until
// ReleaseWalkedFolders.
Status OpenByWalk(const wchar_t* path, PathView view, DWORD access, DWORD share, DWORD options,
                  HANDLE* opened);

// The folder that holds what `path` names, reached and held as OpenByWalk reaches it, and the
// path's last name (`length` characters, not terminated). Both stay valid until the next walk or
// ReleaseWalkedFolders; the folder is not the caller's to close. Its listing answers one search,
// for any name, unless someone holding it shared nothing: it cannot be listed then. A volume's
// root has no such folder.
struct WalkedPlace {
    HANDLE folder;
    const wchar_t* name;
    size_t length;
};
Status WalkToParent(const wchar_t* path, PathView view, WalkedPlace* place);

// Each folder on the way to what `path` names, the root first, then the entry itself (opened to
// be looked at), as a walk of its own reaches them: shown to `visit` with the resolved text of
// the path and the length of it that names each. All is let go before it returns. The walk stops
// at the first that it cannot reach, whose failure it returns.
using WalkVisit = void (*)(HANDLE entry, const wchar_t* text, size_t length, void* context);
Status VisitWalkedFolders(const wchar_t* path, PathView view, WalkVisit visit, void* context);

// Lets go of the folders that the walks hold: at the end of the log, and after a walk that has
// no other walk after it.
void ReleaseWalkedFolders();
