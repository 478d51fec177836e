#pragma once
// Helpers shared by the tests: scratch trees on the real (Wine) file system and a scratch key
// in the real registry, and short ways to look at what survived.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "sysops/error_record.h"

// A fresh, empty directory under the temporary directory, removed again by the destructor.
struct ScratchDirectory {
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    // `relative` joined to the scratch directory with a backslash.
    std::string Path(const std::string& relative = "") const;

    std::string root;
};

// These work on paths of any length.
void WriteTextFile(const std::string& path, const std::string& content);
// `content`, then a hole up to `size` bytes; false when the file could not be made.
bool WriteSparseFile(const std::string& path, const std::string& content, uint64_t size);
void MakeDirectory(const std::string& path);      // with the directories above it
bool Exists(const std::string& path);
bool IsDirectory(const std::string& path);
void SetReadOnly(const std::string& path);
// The names in a directory, "." and ".." left out, in the order the file system gives them.
std::vector<std::string> ListDirectory(const std::string& path);
void RemoveEverything(const std::string& path);   // test clean-up; clears read-only first

// A fresh key HKEY_CURRENT_USER\Software\UninstallTests\<unique> that the destructor deletes.
struct ScratchKey {
    ScratchKey();
    ~ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    std::string path;  // below HKEY_CURRENT_USER, e.g. "Software\\UninstallTests\\k1"
};

void CreateKey(HKEY root, const std::string& path);
void SetStringValue(HKEY root, const std::string& key, const std::string& name,
                    const std::string& value);
bool KeyExists(HKEY root, const std::string& path);
bool ValueExists(HKEY root, const std::string& key, const std::string& name);
void DeleteKeyTree(HKEY root, const std::string& path);

// Sets OwnPath for the engine's deferral test, and clears the deferred list.
void SetOwnPath(const std::string& path);
std::string DeferredListText();  // "" when nothing was deferred

// The full path of the running test program.
std::string OwnFilePath();

// Polls until `done` holds or about `seconds` have passed; the last answer of `done`.
template <typename Condition>
bool WaitUntil(Condition done, int seconds)
{
    for (int i = 0; i < seconds * 10; ++i) {
        if (done())
            return true;
        Sleep(100);
    }
    return done();
}

// Points TMP and TEMP at another directory while it lives.
struct TemporaryDirectoryOverride {
    explicit TemporaryDirectoryOverride(const std::string& directory);
    ~TemporaryDirectoryOverride();
    TemporaryDirectoryOverride(const TemporaryDirectoryOverride&) = delete;
    TemporaryDirectoryOverride& operator=(const TemporaryDirectoryOverride&) = delete;

    std::string tmp;
    std::string temp;
};

// A scratch tree with an install log in it, and the uninstaller placed elsewhere.
struct LogTest : testing::Test {
    void SetUp() override;
    void TearDown() override;

    std::string Path(const std::string& relative) const { return scratch.Path(relative); }
    // Writes `log` as the tree's install.log and processes it.
    Status Process(const std::string& log);
    // Makes each file, with the directories above it.
    void Files(std::initializer_list<std::string> names);

    ScratchDirectory scratch;
};
