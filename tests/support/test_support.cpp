#include "tests/support/test_support.h"

#include <cstring>

#include "removal/deferred_list.h"

static int ScratchCounter;

ScratchDirectory::ScratchDirectory()
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    root = std::string(temp) + "uninstall-tests-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++ScratchCounter);
    RemoveEverything(root);
    MakeDirectory(root);
}

ScratchDirectory::~ScratchDirectory()
{
    RemoveEverything(root);
}

std::string ScratchDirectory::Path(const std::string& relative) const
{
    return relative.empty() ? root : root + "\\" + relative;
}

void WriteTextFile(const std::string& path, const std::string& content)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
}

void MakeDirectory(const std::string& path)
{
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void RemoveEverything(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileA(path.c_str());
        return;
    }
    // Links are removed as links, never followed.
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                if (strcmp(found.cFileName, ".") && strcmp(found.cFileName, ".."))
                    RemoveEverything(path + "\\" + found.cFileName);
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
    }
    RemoveDirectoryA(path.c_str());
}

ScratchKey::ScratchKey()
{
    path = "Software\\UninstallTests\\k" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++ScratchCounter);
    DeleteKeyTree(HKEY_CURRENT_USER, path);
    CreateKey(HKEY_CURRENT_USER, path);
}

ScratchKey::~ScratchKey()
{
    DeleteKeyTree(HKEY_CURRENT_USER, path);
}

void CreateKey(HKEY root, const std::string& path)
{
    HKEY key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) == ERROR_SUCCESS)
        RegCloseKey(key);
}

void SetStringValue(HKEY root, const std::string& key, const std::string& name,
                    const std::string& value)
{
    CreateKey(root, key);
    RegSetKeyValueA(root, key.c_str(), name.c_str(), REG_SZ, value.c_str(),
                    static_cast<DWORD>(value.size() + 1));
}

bool KeyExists(HKEY root, const std::string& path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool ValueExists(HKEY root, const std::string& key, const std::string& name)
{
    return RegGetValueA(root, key.c_str(), name.c_str(), RRF_RT_ANY, nullptr, nullptr,
                        nullptr) == ERROR_SUCCESS;
}

void DeleteKeyTree(HKEY root, const std::string& path)
{
    RegDeleteTreeA(root, path.c_str());
    RegDeleteKeyA(root, path.c_str());
}

void SetOwnPath(const std::string& path)
{
    memset(OwnPath, 0, sizeof OwnPath);
    strncpy(OwnPath, path.c_str(), sizeof OwnPath - 1);
    ClearDeferredList();
}

std::string DeferredListText()
{
    return DeferredList ? DeferredList : "";
}
