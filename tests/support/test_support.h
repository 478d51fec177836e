#pragma once
// Helpers shared by the tests: scratch trees on the real (Wine) file system and a scratch key
// in the real registry, and short ways to look at what survived.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

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
