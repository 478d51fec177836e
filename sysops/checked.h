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
Status CheckedSetFileAttributes(const char* path, DWORD attributes);
// Asks Windows to delete the file or empty directory at the next restart
// (MoveFileExA with MOVEFILE_DELAY_UNTIL_REBOOT); needs administrator rights.
Status CheckedScheduleRemovalAtRestart(const char* path);
Status CheckedFindFirstFile(const char* searchPath, WIN32_FIND_DATAA* found, HANDLE* search);
// `done` becomes 0 when an entry was returned and 1 at the end of the search (an empty Status
// although the record now describes code 18); any other failure leaves it unchanged.
Status CheckedFindNextFile(HANDLE search, WIN32_FIND_DATAA* found, int* done);
Status CheckedFindClose(HANDLE search);

Status CheckedRegOpenKey(HKEY root, const char* subkey, DWORD options, REGSAM access, HKEY* key);
Status CheckedRegCloseKey(HKEY key);
Status CheckedRegDeleteKey(HKEY root, const char* subkey);
Status CheckedRegDeleteValue(HKEY key, const char* valueName);

Status CheckedCreateDialog(HINSTANCE instance, const char* templateName, HWND parent,
                           DLGPROC procedure, LPARAM initialValue, HWND* window);
Status CheckedDestroyWindow(HWND window);
Status CheckedGetDlgItem(HWND dialog, int id, HWND* item);
Status CheckedSetFocus(HWND window, HWND* previous);
