#pragma once
// Checked operations: one system call each. On failure they fill TheErrorRecord with the code,
// the system message and a label naming the call; the call's useful result comes back through
// the last argument.
#include <windows.h>

#include "sysops/error_record.h"

Status CheckedCreateFile(const char* path, DWORD access, DWORD share,
                         SECURITY_ATTRIBUTES* security, DWORD disposition, DWORD flags,
                         HANDLE templateFile, HANDLE* file);
Status CheckedCloseHandle(HANDLE handle);
Status CheckedReadFile(HANDLE file, void* buffer, DWORD count, DWORD* read);
Status CheckedWriteFile(HANDLE file, const void* buffer, DWORD count, DWORD* written);
Status CheckedDeleteFile(const char* path);
Status CheckedRemoveDirectory(const char* path);
Status CheckedFindFirstFile(const char* searchPath, WIN32_FIND_DATAA* found, HANDLE* search);
// `done` becomes 0 when an entry was returned and 1 at the end of the search (an empty Status
// although the record now describes code 18); any other failure leaves it unchanged.
Status CheckedFindNextFile(HANDLE search, WIN32_FIND_DATAA* found, int* done);
Status CheckedFindClose(HANDLE search);

// The wide forms take a path as the file system spells it, in the \\?\ form too; the record's
// detail shows it in the ANSI code page, as far as that can.
Status CheckedCreateFile(const wchar_t* path, DWORD access, DWORD share,
                         SECURITY_ATTRIBUTES* security, DWORD disposition, DWORD flags,
                         HANDLE templateFile, HANDLE* file);
Status CheckedDeleteFile(const wchar_t* path);
Status CheckedRemoveDirectory(const wchar_t* path);
// Asks Windows to delete the file or empty directory at the next restart
// (MOVEFILE_DELAY_UNTIL_REBOOT); needs administrator rights.
Status CheckedScheduleRemovalAtRestart(const wchar_t* path);
Status CheckedGetFileAttributes(const wchar_t* path, WIN32_FILE_ATTRIBUTE_DATA* data);
// Reads the next entries of the directory open as `directory` into `buffer`
// (GetFileInformationByHandleEx with FileIdBothDirectoryInfo, or its restart form, which starts
// from the first entry). `done` as for CheckedFindNextFile.
Status CheckedReadDirectory(HANDLE directory, bool restart, void* buffer, DWORD size, int* done);
// Deletes the entry open as `file` (with DELETE access); `path`, which may be null, is for the
// record. Where the system offers it, its name goes at once, though others hold the entry with
// delete sharing, and a read-only entry goes as any other. Elsewhere the entry goes once its
// handles are closed, and a read-only one is refused (access denied): the caller makes it
// writable and asks again. Either way a running program's file is refused (access denied) and
// a directory that holds anything (ERROR_DIR_NOT_EMPTY); nothing can be taken back.
Status CheckedMarkForDeletion(HANDLE file, const wchar_t* path);
// FailWithCode for what happened to `path`, shown as the wide forms show it.
Status FailForPath(uint32_t code, const char* label, const wchar_t* path);

Status CheckedRegOpenKey(HKEY root, const char* subkey, DWORD options, REGSAM access, HKEY* key);
Status CheckedRegCloseKey(HKEY key);
Status CheckedRegDeleteKey(HKEY root, const char* subkey);
Status CheckedRegDeleteValue(HKEY key, const char* valueName);

Status CheckedCreateDialog(HINSTANCE instance, const char* templateName, HWND parent,
                           DLGPROC procedure, LPARAM initialValue, HWND* window);
Status CheckedDestroyWindow(HWND window);
Status CheckedGetDlgItem(HWND dialog, int id, HWND* item);
Status CheckedSetFocus(HWND window, HWND* previous);
