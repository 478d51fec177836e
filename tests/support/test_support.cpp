#include "tests/support/test_support.h"

#include <cstring>
#include <iterator>

#include "removal/install_log.h"
#include "text/deferred_list.h"

static int Counter;

std::wstring Utf16(const std::string& text)
{
    std::wstring wide(text.size(), L'\0');
    const int size = static_cast<int>(text.size());
    wide.resize(MultiByteToWideChar(CP_UTF8, 0, text.data(), size, &wide[0], size));
    return wide;
}

// Tests outgrow MAX_PATH and use names that Win32 would trim, so the helpers use the wide calls
// with the \\?\ form.
static std::wstring Wide(const std::string& path)
{
    return (path.size() > 2 && path[1] == ':' ? L"\\\\?\\" : L"") + Utf16(path);
}

Scratch::Scratch()
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    root = temp + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++Counter);
    MakeDirectory(root);
}

Scratch::~Scratch() { RemoveEverything(root); }

void MakeDirectory(const std::string& path)
{
    for (size_t at = 2; at != std::string::npos;) {
        at = path.find('\\', at + 1);
        CreateDirectoryW(Wide(path.substr(0, at)).c_str(), nullptr);
    }
}

void PutFile(const std::string& path, const std::string& content)
{
    MakeDirectory(path.substr(0, path.rfind('\\')));
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                              nullptr);
    DWORD written;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
}

bool Exists(const std::string& path)
{
    return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> ListDirectory(const std::string& path)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((Wide(path) + L"\\*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
        if (wcscmp(found.cFileName, L".") && wcscmp(found.cFileName, L".."))
            names.push_back(Utf8(found.cFileName));
    FindClose(search);
    return names;
}

void RemoveEverything(const std::string& path)
{
    DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return static_cast<void>(DeleteFileW(Wide(path).c_str()));
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        for (const std::string& name : ListDirectory(path))
            RemoveEverything(path + "\\" + name);
    RemoveDirectoryW(Wide(path).c_str());
}

std::string Utf8(const std::wstring& text)
{
    std::string narrow(text.size() * 3, '\0');
    narrow.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      &narrow[0], static_cast<int>(narrow.size()), nullptr,
                                      nullptr));
    return narrow;
}

ScratchKey::ScratchKey() : path("Software\\UninstallTests\\" + std::to_string(++Counter))
{
    RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
    SetValue(HKEY_CURRENT_USER, path, "");
}

void SetValue(HKEY root, const std::string& key, const std::string& name)
{
    RegSetKeyValueA(root, key.c_str(), name.c_str(), REG_SZ, "x", 2);
}

bool ValueExists(HKEY root, const std::string& key, const std::string& name)
{
    HKEY opened = nullptr;
    bool found = RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) == ERROR_SUCCESS &&
                 (name.empty() || RegQueryValueExA(opened, name.c_str(), nullptr, nullptr,
                                                   nullptr, nullptr) == ERROR_SUCCESS);
    RegCloseKey(opened);
    return found;
}

void SetOwnPath(const std::string& path)
{
    strncpy(OwnPath, path.c_str(), sizeof OwnPath - 1);
    wcsncpy(OwnWidePath, Utf16(path).c_str(), std::size(OwnWidePath) - 1);
    ClearDeferredList();
}

std::string DeferredListText() { return DeferredList ? DeferredList : ""; }

std::string OwnFilePath()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    return path;
}

Status ProcessLog(const Scratch& scratch, const std::string& text)
{
    PutFile(scratch.Path("install.log"), text);
    return ProcessInstallLog(scratch.Path("install.log").c_str());
}

std::vector<std::string> TakeRestartSchedule()
{
    const char key[] = "System\\CurrentControlSet\\Control\\Session Manager";
    const char name[] = "PendingFileRenameOperations";
    std::vector<char> data(65536);
    DWORD size = static_cast<DWORD>(data.size() - 2);
    std::vector<std::string> paths;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_MULTI_SZ, nullptr, data.data(),
                     &size) == ERROR_SUCCESS)
        // A path, then "": a removal.
        for (const char* at = data.data(); *at; at += strlen(at) + 1) {
            paths.push_back(at + (strncmp(at, "\\??\\", 4) ? 0 : 4));
            at += strlen(at) + 1;
        }
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, key, name);
    return paths;
}

HANDLE HoldInAnotherProcess(const std::string& path, bool asProgram)
{
    std::string line = "\"" + (asProgram ? path : OwnFilePath()) + "\" --hold \"" +
                       (asProgram ? "" : path) + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if ((asProgram && !CopyFileA(OwnFilePath().c_str(), path.c_str(), FALSE)) ||
        !CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return nullptr;
    CloseHandle(process.hThread);
    if (asProgram)  // the system maps the program's file before CreateProcess returns
        return process.hProcess;
    for (DWORD start = GetTickCount(); GetTickCount() - start < 10000; Sleep(50)) {
        HANDLE file = CreateFileA(path.c_str(), DELETE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION)
            break;
        CloseHandle(file);
    }
    return process.hProcess;
}

void EndProcess(HANDLE process)
{
    TerminateProcess(process, 0);
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
}
