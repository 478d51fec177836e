// The order in which the helper removes its paths, and the restart schedule that takes what it
// cannot remove, or every deferred path when no helper can be started. Runs inside
// self_remover_tests, whose entry function is its own helper.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "removal/deferred_list.h"
#include "removal/helper_command_line.h"
#include "removal/self_remover.h"
#include "tests/support/test_support.h"

namespace {

// The paths that the system is to remove at the next restart, in order and without the "\??\"
// it puts before them; the schedule is emptied, so that this test run restarts nothing.
std::vector<std::string> TakeRestartSchedule()
{
    std::vector<std::string> paths;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                      0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return paths;
    std::vector<char> data(65536);
    DWORD size = static_cast<DWORD>(data.size() - 2);
    if (RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(data.data()), &size) == ERROR_SUCCESS) {
        // Pairs of texts: the path, then where it goes, empty for a removal.
        for (const char* at = data.data(); *at;) {
            std::string source = at;
            at += source.size() + 1;
            if (*at == '\0')
                paths.push_back(source.substr(source.compare(0, 4, "\\??\\") == 0 ? 4 : 0));
            at += strlen(at) + 1;
        }
        RegDeleteValueA(key, "PendingFileRenameOperations");
    }
    RegCloseKey(key);
    return paths;
}

}  // namespace

TEST(HelperOrder, FilesBeforeTheirDirectoriesAndDeeperDirectoriesFirst)
{
    // As the log may list them: the top directory first, a directory written with a trailing
    // backslash, the empty path and a drive root (prefixes of every path).
    SetOwnPath("C:\\Vantrel\\bin\\uninst.exe");
    for (const char* path : {"C:\\Vantrel", "", "C:\\Vantrel\\bin\\", "C:\\",
                             "C:\\Vantrel\\bin\\uninst.exe", "C:\\Vant"})
        DeferIfOwnPath(path);
    std::string list = DeferredListText();
    std::vector<char*> paths(SplitDeferredList(&list[0], nullptr, 0));
    SplitDeferredList(&list[0], paths.data(), paths.size());
    ASSERT_TRUE(OrderForRemoval(paths.data(), paths.size()));
    EXPECT_EQ(std::vector<std::string>(paths.begin(), paths.end()),
              (std::vector<std::string>{"C:\\Vantrel\\bin\\uninst.exe", "C:\\Vantrel\\bin\\",
                                        "C:\\Vantrel", "C:\\Vant", "C:\\", ""}));
    SetOwnPath("");
}

TEST(RestartSchedule, WithoutAHelperEveryDeferredPathIsScheduledFilesFirst)
{
    ScratchDirectory scratch;
    // No copy can be made in a temporary directory that does not exist.
    TemporaryDirectoryOverride temporary(scratch.Path("missing\\"));
    std::string ownFile = scratch.Path("Vantrel\\bin\\uninst.exe");
    MakeDirectory(scratch.Path("Vantrel\\bin"));
    WriteTextFile(ownFile, "x");
    SetOwnPath(ownFile);
    for (const std::string& path : {scratch.Path("Vantrel"), scratch.Path("Vantrel\\bin\\"), ownFile})
        DeferIfOwnPath(path.c_str());
    TakeRestartSchedule();

    LaunchSelfRemover();
    EXPECT_EQ(TakeRestartSchedule(), (std::vector<std::string>{ownFile, scratch.Path("Vantrel\\bin"),
                                                              scratch.Path("Vantrel")}));
    EXPECT_TRUE(Exists(ownFile));
    SetOwnPath("");
}

TEST(RestartSchedule, TheHelperRetriesForAWhileThenSchedulesWhatStays)
{
    ScratchDirectory scratch;
    MakeDirectory(scratch.Path("early"));
    WriteTextFile(scratch.Path("early\\later.txt"), "x");
    MakeDirectory(scratch.Path("bin"));
    std::string held = scratch.Path("bin\\uninst.exe");
    WriteTextFile(held, "x");
    MakeDirectory(scratch.Path("full"));
    WriteTextFile(scratch.Path("full\\kept.txt"), "x");
    // Held without delete sharing for good, as a scanner that does not let go would.
    HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    TakeRestartSchedule();

    std::vector<std::string> given = {scratch.Path("early"), scratch.Path("early\\later.txt"),
                                      held, scratch.Path("bin\\"), scratch.Path("full"),
                                      scratch.Path("missing.txt")};
    std::vector<char*> arguments;
    for (std::string& path : given)
        arguments.push_back(&path[0]);
    DWORD start = GetTickCount();
    RunHelperMode(static_cast<int>(arguments.size()), arguments.data());
    DWORD took = GetTickCount() - start;
    CloseHandle(holder);

    EXPECT_FALSE(Exists(scratch.Path("early"))) << "listed before its file, gone once empty";
    EXPECT_GE(took, 5000u);
    EXPECT_LT(took, 15000u);
    EXPECT_EQ(TakeRestartSchedule(),
              (std::vector<std::string>{held, scratch.Path("bin"), scratch.Path("full")}));
}
