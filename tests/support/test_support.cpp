#include "tests/support/test_support.h"

#include <cstring>

#include "removal/deferred_list.h"
#include "removal/install_log.h"

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

// Paths in the tests may be longer than MAX_PATH (to outgrow the engine's buffers), so the
// helpers use the wide calls, with the \\?\ form for full drive paths.
static std::wstring Wide(const std::string& path)
{
    bool drivePath = path.size() >= 3 && path[1] == ':' && path[2] == '\\';
    std::wstring prefix = drivePath ? L"\\\\?\\" : L"";
    int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    std::wstring converted(length > 0 ? length - 1 : 0, L'\0');
    if (length > 1)
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &converted[0], length);
    return prefix + converted;
}

static DWORD Attributes(const std::string& path)
{
    return GetFileAttributesW(Wide(path).c_str());
}

void WriteTextFile(const std::string& path, const std::string& content)
{
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
}

bool WriteSparseFile(const std::string& path, const std::string& content, uint64_t size)
{
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    bool made = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written,
                          nullptr) &&
                SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    return made;
}

void MakeDirectory(const std::string& path)
{
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryW(Wide(path.substr(0, at)).c_str(), nullptr);
    CreateDirectoryW(Wide(path).c_str(), nullptr);
}

bool Exists(const std::string& path)
{
    return Attributes(path) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::string& path)
{
    DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void SetReadOnly(const std::string& path)
{
    SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_READONLY);
}

std::vector<std::string> ListDirectory(const std::string& path)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((Wide(path) + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        char name[MAX_PATH * 2];
        WideCharToMultiByte(CP_ACP, 0, found.cFileName, -1, name, sizeof name, nullptr, nullptr);
        if (strcmp(name, ".") && strcmp(name, ".."))
            names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

void RemoveEverything(const std::string& path)
{
    DWORD attributes = Attributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW(Wide(path).c_str());
        return;
    }
    // Links are removed as links, never followed.
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        for (const std::string& name : ListDirectory(path))
            RemoveEverything(path + "\\" + name);
    RemoveDirectoryW(Wide(path).c_str());
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

std::string OwnFilePath()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    return path;
}

static std::string Environment(const char* name)
{
    char value[MAX_PATH] = "";
    GetEnvironmentVariableA(name, value, sizeof value);
    return value;
}

TemporaryDirectoryOverride::TemporaryDirectoryOverride(const std::string& directory)
    : tmp(Environment("TMP")), temp(Environment("TEMP"))
{
    SetEnvironmentVariableA("TMP", directory.c_str());
    SetEnvironmentVariableA("TEMP", directory.c_str());
}

TemporaryDirectoryOverride::~TemporaryDirectoryOverride()
{
    SetEnvironmentVariableA("TMP", tmp.empty() ? nullptr : tmp.c_str());
    SetEnvironmentVariableA("TEMP", temp.empty() ? nullptr : temp.c_str());
}

void LogTest::SetUp()
{
    SetOwnPath("C:\\nowhere\\bin\\uninst.exe");
}

void LogTest::TearDown()
{
    SetOwnPath("");
}

Status LogTest::Process(const std::string& log)
{
    WriteTextFile(Path("install.log"), log);
    return ProcessInstallLog(Path("install.log").c_str());
}

void LogTest::Files(std::initializer_list<std::string> names)
{
    for (const std::string& name : names) {
        MakeDirectory(Path(name).substr(0, Path(name).rfind('\\')));
        WriteTextFile(Path(name), name);
    }
}
