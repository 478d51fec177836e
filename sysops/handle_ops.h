#pragma once
// Checked calls that act on an open handle rather than on a name, and the program's private
// folders: what a user can swap between a look at a name and its use cannot redirect these.
#include <windows.h>

#include <aclapi.h>
#include <cstdint>

#include "sysops/error_record.h"

// A folder that only Administrators and SYSTEM may open, owned by Administrators; fails when
// anything of that name exists.
Status CheckedCreatePrivateDirectory(const wchar_t* path);
// Opens the folder at `path` itself, never what a link there leads to, and holds it shared for
// reading and writing only: nobody renames or deletes it while the handle is open. Fails unless
// it is a directory and no link, on disk or as listed in its parent (some systems open a link's
// target even when asked for the link itself, and list the link as one).
Status CheckedHoldFolder(const wchar_t* path, HANDLE* folder);
Status CheckedHandleInformation(HANDLE file, BY_HANDLE_FILE_INFORMATION* information);
// The path the system reached through the handle, in the form "C:\..." (no "\\?\").
Status CheckedFinalPath(HANDLE file, wchar_t* path, DWORD size);
// Renames the entry behind `file` (opened with DELETE) to `target`, never replacing.
Status CheckedRenameByHandle(HANDLE file, const wchar_t* target);
// Opens `name` (`length` characters, not terminated) inside the directory held as `directory`,
// never following a link at that name: the name is looked up there, once, and no path is parsed
// from the volume's root. `options` are the native open's (FILE_DIRECTORY_FILE ...); `path`, the
// entry's whole path, is for the record.
Status CheckedOpenBelow(HANDLE directory, const wchar_t* name, size_t length, DWORD access,
                        DWORD share, DWORD options, const wchar_t* path, HANDLE* opened);
// Creates `name` inside the directory held as `directory`, or opens it there, as the native
// `disposition` asks (FILE_CREATE, FILE_OPEN_IF), never following a link at that name; `created`
// tells whether it is new.
Status CheckedCreateBelow(HANDLE directory, const wchar_t* name, size_t length, DWORD access,
                          DWORD share, DWORD disposition, DWORD options, const wchar_t* path,
                          HANDLE* opened, bool* created);
// Opens again, as a handle of its own, what `file` holds, wherever it lies now: a directory's
// listing then starts anew, with the name of its next search.
Status CheckedReopen(HANDLE file, DWORD access, DWORD share, DWORD options, HANDLE* reopened);
// The same for a whole path, in any form Windows takes, the \\?\ one too.
Status CheckedOpenPath(const wchar_t* path, DWORD access, DWORD share, DWORD options,
                       HANDLE* opened);
// The file index of the entry held as `file`. Cheaper than CheckedHandleInformation, which also
// asks the volume for its serial: a question that costs more than a deletion on some systems.
Status CheckedFileIndex(HANDLE file, uint64_t* index);
// The entry of `directory` that `name` names, by its own name or its short one, as its listing
// tells it: a FILE_ID_BOTH_DIR_INFO in `buffer`. `done` is 1 when there is none. The name must
// hold no wildcard.
Status CheckedFindBelow(HANDLE directory, const wchar_t* name, size_t length, void* buffer,
                        DWORD size, const wchar_t* path, int* done);
// Sets the attributes of the entry held as `file` (opened with FILE_WRITE_ATTRIBUTES).
Status CheckedSetAttributesByHandle(HANDLE file, DWORD attributes, const wchar_t* path);
// Takes the read-only attribute off the file held as `file` (FILE_WRITE_ATTRIBUTES), leaving
// every other attribute that can be set as it was (`attributes` as the file system reported
// them); `path` is for the record.
Status ClearReadOnly(HANDLE file, const wchar_t* path, uint32_t attributes);
// The folder's owner and access list; `descriptor` is released with LocalFree.
Status CheckedFolderSecurity(const wchar_t* path, PSID* owner, PACL* access,
                             PSECURITY_DESCRIPTOR* descriptor);
// Whether `object` is owned by the administrators, the system, or the owner this process gives
// what it makes (Administrators, when elevated): what nobody but an administrator could have
// made. Never the account the run's user is: under UAC, what the same user's programs make
// without elevation is owned by it. The handle needs READ_CONTROL.
bool OwnedByTrustedAccount(HANDLE object, SE_OBJECT_TYPE type);
// Whether the user whose elevated token this process runs with could add a file to `folder` with
// the rights of their own limited token. A process that is not elevated from a limited token
// runs as its user: true then. The handle needs READ_CONTROL.
bool UserMayAddFile(HANDLE folder);
