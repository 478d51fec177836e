#pragma once
// Checked calls that act on an open handle rather than on a name, and the program's private
// folders: what a user can swap between a look at a name and its use cannot redirect these.
#include <windows.h>

#include <aclapi.h>

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
// The folder's owner and access list; `descriptor` is released with LocalFree.
Status CheckedFolderSecurity(const wchar_t* path, PSID* owner, PACL* access,
                             PSECURITY_DESCRIPTOR* descriptor);
// Whether `object` is owned by the administrators, the system, or the account this process runs
// as (or the owner it gives what it makes): what nobody but an administrator or this very run
// could have made. The handle needs READ_CONTROL.
bool OwnedByTrustedAccount(HANDLE object, SE_OBJECT_TYPE type);
// Whether the user whose elevated token this process runs with could add a file to `folder` with
// the rights of their own limited token. A process that is not elevated from a limited token
// runs as its user: true then. The handle needs READ_CONTROL.
bool UserMayAddFile(HANDLE folder);
