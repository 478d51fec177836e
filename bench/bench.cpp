// Measures the removal engine against the raw system calls that any removal must make.
//
//   bench.exe [--scale F] [--reps N] [--progress 0|1] [--log-memory MIB]
//
// Builds an installation (files listed one by one and their directories, deepest first; a
// "dirw:" tree; registry values and keys under a scratch key of HKEY_CURRENT_USER) and its
// install log, removes it with ProcessInstallLog, builds an identical one and removes that with
// a minimal baseline, alternating, and prints the medians and their ratio. The engine's runs show
// the removal page as the program does (unless --progress 0).
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/progress.h"
#include "removal/install_log.h"
#include "text/deferred_list.h"
#include "ui/page_loop.h"
#include "ui/window_class.h"

namespace {

struct Sizes {
    int listedFiles = 20000;
    int listedDirectories = 1000;
    int treeFiles = 20000;
    int treeDirectories = 1000;
    int registryKeys = 200;
    int valuesPerKey = 10;
};

const char* const ScratchKey = "Software\\UninstallBench";

struct Installation {
    std::string root;
    std::vector<std::string> files;        // listed one by one
    std::vector<std::string> directories;  // deepest first
    std::string tree;
    std::string keyBase;                   // below HKEY_CURRENT_USER, holds `keys`
    std::vector<std::string> keys;
    std::string logs[4];   // one per phase, applied in this order
    int entries = 0;
};

void Fail(const char* what, const std::string& detail)
{
    fprintf(stderr, "bench: %s failed: %s (%lu)\n", what, detail.c_str(), GetLastError());
    exit(1);
}

void CreateDirectoryOrFail(const std::string& path)
{
    if (!CreateDirectoryA(path.c_str(), nullptr))
        Fail("CreateDirectory", path);
}

void CreateFileOrFail(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        Fail("CreateFile", path);
    DWORD written;
    WriteFile(file, "x", 1, &written, nullptr);
    CloseHandle(file);
}

// Directories in two levels: `count` in all, about the square root of them at the top.
std::vector<std::string> MakeDirectories(const std::string& base, int count)
{
    int top = 1;
    while (top * top < count)
        ++top;
    std::vector<std::string> made;
    for (int i = 0; static_cast<int>(made.size()) < count; ++i) {
        std::string parent = base + "\\d" + std::to_string(i);
        CreateDirectoryOrFail(parent);
        made.push_back(parent);
        for (int j = 0; j < top - 1 && static_cast<int>(made.size()) < count; ++j) {
            made.push_back(parent + "\\s" + std::to_string(j));
            CreateDirectoryOrFail(made.back());
        }
    }
    return made;
}

// Spread evenly over the directories and made folder by folder, in the order an installer
// writes them and lists them in its log.
std::vector<std::string> MakeFiles(const std::vector<std::string>& directories, int count)
{
    std::vector<std::string> files;
    for (int i = 0; i < count; ++i) {
        size_t directory = static_cast<size_t>(i) * directories.size() / static_cast<size_t>(count);
        files.push_back(directories[directory] + "\\file" + std::to_string(i) + ".dat");
        CreateFileOrFail(files.back());
    }
    return files;
}

void MakeRegistry(Installation& installation, const Sizes& sizes, const std::string& keyBase)
{
    for (int k = 0; k < sizes.registryKeys; ++k) {
        std::string path = keyBase + "\\k" + std::to_string(k);
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr) != ERROR_SUCCESS)
            Fail("RegCreateKeyEx", path);
        for (int v = 0; v < sizes.valuesPerKey; ++v) {
            std::string name = "v" + std::to_string(v);
            RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
        }
        RegCloseKey(key);
        installation.keys.push_back(path);
    }
}

Installation MakeInstallation(const std::string& root, const Sizes& sizes, int run)
{
    Installation installation;
    installation.root = root + "\\run" + std::to_string(run);
    CreateDirectoryOrFail(installation.root);
    std::string listed = installation.root + "\\listed";
    CreateDirectoryOrFail(listed);
    std::vector<std::string> directories = MakeDirectories(listed, sizes.listedDirectories);
    installation.files = MakeFiles(directories, sizes.listedFiles);
    installation.directories.assign(directories.rbegin(), directories.rend());
    installation.directories.push_back(listed);

    installation.tree = installation.root + "\\tree";
    CreateDirectoryOrFail(installation.tree);
    MakeFiles(MakeDirectories(installation.tree, sizes.treeDirectories), sizes.treeFiles);

    installation.keyBase = std::string(ScratchKey) + "\\run" + std::to_string(run);
    MakeRegistry(installation, sizes, installation.keyBase);

    std::string* logs = installation.logs;
    for (const std::string& file : installation.files)
        logs[0] += "file:" + file + "\r\n";
    for (const std::string& directory : installation.directories)
        logs[1] += "dir:" + directory + "\r\n";
    logs[2] += "dirw:" + installation.tree + "\r\n";
    for (const std::string& key : installation.keys) {
        for (int v = 0; v < sizes.valuesPerKey; ++v)
            logs[3] += "key:HKCU\\" + key + "\\v" + std::to_string(v) + "\r\n";
        logs[3] += "key:HKCU\\" + key + "\\\r\n";
    }
    installation.entries = static_cast<int>(installation.files.size() +
                                            installation.directories.size()) +
                           1 + sizes.registryKeys * (sizes.valuesPerKey + 1);
    return installation;
}

std::string WriteLog(const Installation& installation, int phase)
{
    std::string path = installation.root + "-" + std::to_string(phase) + ".log";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        Fail("CreateFile", path);
    DWORD written;
    const std::string& log = installation.logs[phase];
    WriteFile(file, log.data(), static_cast<DWORD>(log.size()), &written, nullptr);
    CloseHandle(file);
    return path;
}

double Seconds()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void BaselineTree(const std::string& directory)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((directory + "\\*.*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!strcmp(found.cFileName, ".") || !strcmp(found.cFileName, ".."))
                continue;
            std::string path = directory + "\\" + found.cFileName;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                BaselineTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(directory.c_str());
}

void BaselineRemove(const Installation& installation, const Sizes& sizes, int phase)
{
    if (phase == 0)
        for (const std::string& file : installation.files)
            DeleteFileA(file.c_str());
    if (phase == 1)
        for (const std::string& directory : installation.directories)
            RemoveDirectoryA(directory.c_str());
    if (phase == 2)
        BaselineTree(installation.tree);
    if (phase != 3)
        return;
    for (const std::string& path : installation.keys) {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &key) ==
            ERROR_SUCCESS) {
            for (int v = 0; v < sizes.valuesPerKey; ++v)
                RegDeleteValueA(key, ("v" + std::to_string(v)).c_str());
            RegCloseKey(key);
        }
        RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
    }
}

// What must be gone after either removal: the listed files and directories and the tree.
void CheckRemoved(const Installation& installation)
{
    for (const std::string& path : {installation.files.front(), installation.files.back(),
                                    installation.directories.back(), installation.tree})
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
            Fail("removal", path + " is still there");
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, installation.keys.back().c_str(), 0, KEY_READ, &key) ==
        ERROR_SUCCESS)
        Fail("removal", installation.keys.back() + " is still there");
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The most memory the process has held so far (Wine keeps the peak working set, not the peak
// commit).
size_t PeakMemory()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return std::max(counters.PeakWorkingSetSize, counters.PeakPagefileUsage);
}

// A log of `mebibytes` MiB whose entries carry no tag: read and walked, nothing applied.
int MeasureLogMemory(const std::string& root, int mebibytes)
{
    std::string path = root + "\\big.log";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        Fail("CreateFile", path);
    std::string block;
    while (block.size() < (1u << 20))
        block += "note:C:\\Program Files\\Vantrel\\nothing-to-remove.txt\r\n";
    block.resize(1u << 20);
    DWORD written;
    for (int i = 0; i < mebibytes; ++i)
        WriteFile(file, block.data(), static_cast<DWORD>(block.size()), &written, nullptr);
    CloseHandle(file);
    block.clear();
    block.shrink_to_fit();

    size_t before = PeakMemory();
    double start = Seconds();
    ProcessInstallLog(path.c_str());
    double elapsed = Seconds() - start;
    size_t peak = PeakMemory();
    DeleteFileA(path.c_str());
    double logBytes = static_cast<double>(mebibytes) * (1 << 20);
    printf("log of %d MiB: %.2f s, peak memory grew by %.1f MiB (%.2f x the log), %.1f MiB "
           "before\n",
           mebibytes, elapsed, (peak - before) / 1048576.0,
           static_cast<double>(peak - before) / logBytes, before / 1048576.0);
    return 0;
}

// The program's main window, on screen, for the removal page to appear in.
void ShowMainWindow()
{
    Instance = GetModuleHandleA(nullptr);
    if (RegisterWindowClass(ClassWindowProc) != 0)
        Fail("RegisterClass", "Uninstall");
    MainWindow = CreateDialogParamA(Instance, "Uninstall", nullptr, nullptr, 0);
    if (!MainWindow)
        Fail("CreateDialog", "Uninstall");
    ShowWindow(MainWindow, SW_SHOWNORMAL);
}

}  // namespace

int main(int argc, char** argv)
{
    double scale = 1.0;
    int reps = 5;
    int logMemory = 0;
    bool progress = true;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!strcmp(argv[i], "--scale"))
            scale = atof(argv[i + 1]);
        else if (!strcmp(argv[i], "--reps"))
            reps = atoi(argv[i + 1]);
        else if (!strcmp(argv[i], "--progress"))
            progress = atoi(argv[i + 1]) != 0;
        else if (!strcmp(argv[i], "--log-memory"))
            logMemory = atoi(argv[i + 1]);
    }
    setvbuf(stdout, nullptr, _IONBF, 0);
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string root = std::string(temp) + "uninstall-bench";
    CreateDirectoryA(root.c_str(), nullptr);
    // Nothing of the bench is the uninstaller's own file: nothing is deferred.
    strcpy(OwnPath, "C:\\nowhere\\uninstall.exe");

    if (logMemory > 0)
        return MeasureLogMemory(root, logMemory);

    if (progress)
        ShowMainWindow();
    printf("removal page shown: %s\n", progress ? "yes" : "no");
    Sizes sizes;
    sizes.listedFiles = static_cast<int>(sizes.listedFiles * scale);
    sizes.listedDirectories = std::max(1, static_cast<int>(sizes.listedDirectories * scale));
    sizes.treeFiles = static_cast<int>(sizes.treeFiles * scale);
    sizes.treeDirectories = std::max(1, static_cast<int>(sizes.treeDirectories * scale));
    sizes.registryKeys = std::max(1, static_cast<int>(sizes.registryKeys * scale));

    // Times of each phase (listed files, listed directories, tree, registry) and in all.
    std::vector<double> engine, baseline;
    std::vector<double> enginePhases[4], baselinePhases[4];
    int entries = 0;
    for (int rep = 0; rep < reps; ++rep) {
        for (int which = 0; which < 2; ++which) {
            Installation installation = MakeInstallation(root, sizes, rep * 2 + which);
            std::string logs[4];
            for (int phase = 0; phase < 4; ++phase)
                logs[phase] = WriteLog(installation, phase);
            entries = installation.entries;
            double total = 0;
            if (which == 0 && progress)
                StartRemovalProgress();
            for (int phase = 0; phase < 4; ++phase) {
                double start = Seconds();
                if (which == 0)
                    ProcessInstallLog(logs[phase].c_str());
                else
                    BaselineRemove(installation, sizes, phase);
                double elapsed = Seconds() - start;
                total += elapsed;
                (which == 0 ? enginePhases : baselinePhases)[phase].push_back(elapsed);
                DeleteFileA(logs[phase].c_str());
            }
            if (which == 0 && progress)
                EndRemovalProgress();
            CheckRemoved(installation);
            RemoveDirectoryA(installation.root.c_str());
            RegDeleteKeyA(HKEY_CURRENT_USER, installation.keyBase.c_str());
            (which == 0 ? engine : baseline).push_back(total);
            printf("run %d %-8s %.3f s\n", rep + 1, which == 0 ? "engine" : "baseline", total);
        }
    }
    const char* const phaseNames[4] = {"files", "directories", "tree", "registry"};
    for (int phase = 0; phase < 4; ++phase)
        printf("phase %-11s engine %.3f s, baseline %.3f s\n", phaseNames[phase],
               Median(enginePhases[phase]), Median(baselinePhases[phase]));
    RegDeleteKeyA(HKEY_CURRENT_USER, ScratchKey);
    double engineMedian = Median(engine);
    double baselineMedian = Median(baseline);
    int treeEntries = sizes.treeFiles + sizes.treeDirectories;
    printf("entries: %d in the log, %d more in the tree\n", entries, treeEntries);
    printf("engine   median %.3f s, %.0f entries/s\n", engineMedian,
           (entries + treeEntries) / engineMedian);
    printf("baseline median %.3f s, %.0f entries/s\n", baselineMedian,
           (entries + treeEntries) / baselineMedian);
    printf("ratio engine/baseline: %.2f\n", engineMedian / baselineMedian);
    return 0;
}
