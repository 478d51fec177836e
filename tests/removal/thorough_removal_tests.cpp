// Removal that leaves nothing it could take: read-only files, files in use (scheduled at the
// restart, before their folders), walks that go on past what stays, and the counts of a run.
// Started with "--hold PATH" this program holds PATH open without delete sharing.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "removal/install_log.h"
#include "removal/outcome.h"
#include "tests/support/test_support.h"

namespace {

const char* const SessionManager = "System\\CurrentControlSet\\Control\\Session Manager";

// The paths Windows deletes at the next restart, in order, without their "\??\" prefix.
std::vector<std::string> ScheduledAtRestart()
{
    std::vector<std::string> paths;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SessionManager, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return paths;
    DWORD size = 0;
    RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr, nullptr, &size);
    std::string data(size, '\0');
    if (size && RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(&data[0]), &size) == ERROR_SUCCESS) {
        // Pairs of source and target; an empty target means delete.
        size_t index = 0;
        for (size_t start = 0; start < size; start += strlen(&data[start]) + 1, ++index) {
            std::string path(&data[start]);
            if (index % 2 == 0 && path.rfind("\\??\\", 0) == 0)
                paths.push_back(path.substr(4));
        }
    }
    RegCloseKey(key);
    return paths;
}

void ClearSchedule()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SessionManager, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, "PendingFileRenameOperations");
    RegCloseKey(key);
}

bool IsHeld(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE |
                              FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_SHARING_VIOLATION;
    CloseHandle(file);
    return false;
}

// Another process that holds `path` open without delete sharing while it lives.
struct Holder {
    explicit Holder(const std::string& path)
    {
        std::string line = "\"" + OwnFilePath() + "\" --hold \"" + path + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                           &startup, &process)) {
            EXPECT_TRUE(WaitUntil([&] { return IsHeld(path); }, 10)) << path;
        }
    }
    ~Holder()
    {
        if (!process.hProcess)
            return;
        TerminateProcess(process.hProcess, 0);
        WaitForSingleObject(process.hProcess, 10000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    PROCESS_INFORMATION process = {};
};

struct Thorough : LogTest {
    void SetUp() override
    {
        LogTest::SetUp();
        ClearOutcome();
        ClearSchedule();
    }
    void TearDown() override
    {
        ClearSchedule();
        LogTest::TearDown();
    }
};

}  // namespace

TEST_F(Thorough, ReadOnlyFilesAreMadeWritableAndGoWithTheRestOfTheTree)
{
    Files({"ro.txt", "ro.lnk", "tree\\a.txt", "tree\\ro.txt", "tree\\hidden.txt", "tree\\sub\\b"});
    for (const char* name : {"ro.txt", "ro.lnk", "tree\\ro.txt"})
        SetReadOnly(Path(name));
    SetFileAttributesA(Path("tree\\hidden.txt").c_str(),
                       FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);

    Process("file:" + Path("ro.txt") + "\r\nlink:" + Path("ro.lnk") + "\r\ndirw:" + Path("tree"));
    for (const char* gone : {"ro.txt", "ro.lnk", "tree"})
        EXPECT_FALSE(Exists(Path(gone))) << gone;
    EXPECT_EQ(Outcome.removed, 8u) << "two files, then five files and directories and the tree";
    EXPECT_EQ(Outcome.kept + Outcome.atRestart + Outcome.absent, 0u) << OutcomeLines();
}

// One log with every outcome: files held open by another process go at the restart, each before
// the folders above it; the tree walk goes on past them; a folder with the user's file stays.
TEST_F(Thorough, AMixedLogCountsEachOutcomeAndSchedulesFilesBeforeTheirFolders)
{
    Files({"a.txt", "busy\\held.txt", "user\\mine.txt", "tree\\x.txt", "tree\\sub\\deep\\held.txt",
           "tree\\sub\\deep\\y.txt", "tree\\z\\w.txt"});
    // Only the read-only attribute goes: the held file keeps its others.
    SetFileAttributesA(Path("tree\\sub\\deep\\held.txt").c_str(),
                       FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    ScratchKey key;
    SetStringValue(HKEY_CURRENT_USER, key.path, "v", "x");
    CreateKey(HKEY_CURRENT_USER, key.path + "\\Sub\\Leaf");
    Holder listed(Path("busy\\held.txt"));
    Holder inTree(Path("tree\\sub\\deep\\held.txt"));
    const std::string hkcu = "key:HKCU\\" + key.path;

    EXPECT_EQ(Process("file:" + Path("a.txt") + "\r\n" + hkcu + "\\v\r\n" +           // removed
                      "file:" + Path("missing.txt") + "\r\n" + hkcu + "\\gone\r\n" +  // absent
                      "file:" + Path("busy\\held.txt") + "\r\ndir:" + Path("busy") +  // restart
                      "\r\ndir:" + Path("user") + "\r\n" + hkcu + "\\Sub\\\r\n" +     // kept
                      "dirw:" + Path("tree") + "\r\nunknown:" + Path("a.txt")),
              nullptr);

    const uint32_t counts[] = {Outcome.removed, Outcome.absent, Outcome.atRestart, Outcome.kept,
                               Outcome.entries, Outcome.applied, Outcome.linesLeftOut};
    const uint32_t expected[] = {2 + 4, 2, 2 + 4, 2, 9, 9, 0};
    EXPECT_TRUE(std::equal(counts, counts + 7, expected)) << OutcomeLines();
    EXPECT_EQ(ScheduledAtRestart(),
              (std::vector<std::string>{Path("busy\\held.txt"), Path("busy"),
                                        Path("tree\\sub\\deep\\held.txt"), Path("tree\\sub\\deep"),
                                        Path("tree\\sub"), Path("tree")}));
    EXPECT_EQ(ListDirectory(Path("tree")), std::vector<std::string>{"sub"});
    EXPECT_EQ(ListDirectory(Path("tree\\sub\\deep")), std::vector<std::string>{"held.txt"});
    EXPECT_EQ(GetFileAttributesA(Path("tree\\sub\\deep\\held.txt").c_str()) &
                  (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_TRUE(Exists(Path("user\\mine.txt")));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key.path + "\\Sub\\Leaf"));

    // Each line that is not a plain removal, the kept ones with the system's reason.
    const std::string lines = OutcomeLines();
    for (const std::string& line :
         {"already absent\t" + Path("missing.txt") + "\r\n",
          "at restart\t" + Path("busy") + "\r\n",
          "kept\t" + Path("user") + "\t",
          "(Remove Directory) (145) (" + Path("user") + ")\r\n",
          "kept\t" + hkcu.substr(4) + "\\Sub\\\t"})
        EXPECT_NE(lines.find(line), std::string::npos) << line << "\n" << lines;
}

int main(int argc, char** argv)
{
    if (argc > 2 && strcmp(argv[1], "--hold") == 0) {
        HANDLE file = CreateFileA(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  0, nullptr);
        Sleep(120000);
        CloseHandle(file);
        return 0;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
