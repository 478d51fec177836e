#pragma once
// What the Wine tests share: scratch directories and keys on the real (Wine) file system and
// registry, and short ways to look at what survived. Paths may be of any length.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sysops/error_record.h"

// Paths in the helpers below are UTF-8, so that a test can name anything; these convert.
std::wstring Utf16(const std::string& text);
std::string Utf8(const std::wstring& text);

// A fresh directory under the temporary directory, removed with all below it at the end.
struct Scratch {
    Scratch();
    ~Scratch();
    std::string Path(const std::string& relative) const { return root + "\\" + relative; }
    std::string root;
};

void MakeDirectory(const std::string& path);  // with the directories above it
void PutFile(const std::string& path, const std::string& content = "x");  // likewise
bool Exists(const std::string& path);
std::vector<std::string> ListDirectory(const std::string& path);  // in the file system's order
void RemoveEverything(const std::string& path);  // links are removed, never followed

// A fresh key HKEY_CURRENT_USER\Software\UninstallTests\<unique>, deleted at the end.
struct ScratchKey {
    ScratchKey();
    ~ScratchKey() { RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str()); }
    std::string path;  // below HKEY_CURRENT_USER
};

void SetValue(HKEY root, const std::string& key, const std::string& name);  // makes the key
bool ValueExists(HKEY root, const std::string& key, const std::string& name);  // "": the key

// Sets OwnPath and empties the deferred list; DeferredListText reads it ("" when empty).
void SetOwnPath(const std::string& path);
std::string DeferredListText();
std::string OwnFilePath();  // the running test program

// The paths that the system is to remove at the next restart, in order, without the "\??\" it
// puts before them. The schedule is emptied, so that no test run leaves anything to a restart.
std::vector<std::string> TakeRestartSchedule();

// Starts this test program holding `path` open without delete sharing, as a program that has
// the file in use, and returns once it holds it; or, `asProgram`, copied to `path` and run from
// there, as the system holds a running program's file. EndProcess ends it.
HANDLE HoldInAnotherProcess(const std::string& path, bool asProgram = false);
void EndProcess(HANDLE process);

// Writes `text` as an install log in `scratch` and processes it.
Status ProcessLog(const Scratch& scratch, const std::string& text);
