// The self-remover with real processes: this test program is its own helper (started with "-u"
// it runs helper mode instead of the tests), so the copy that LaunchSelfRemover makes of it
// behaves as the uninstaller's copy would. The scenarios show the rest with the real program.
#include <cstring>

#include "removal/own_files/self_remover.h"
#include "tests/support/test_support.h"
#include "text/deferred_list.h"
#include "text/helper_command_line.h"

// The uninstaller defers its paths in the log's order, the install folder first, and lingers 3 s
// after starting the helper. (full_uninstall.sh shows the rest with the real program: a start in
// the install folder, a temporary directory with blanks, the copy gone with the helper.)
TEST(SelfRemover, TheHelperWaitsForTheUninstallerToEndThenRemovesItsPaths)
{
    Scratch s;
    const std::string bin = s.Path("Vantrel\\bin"), first = bin + "\\uninst";
    // Empty, and above the program's file: a helper that did not wait would remove it at once.
    const std::string own = first + "\\uninst.exe";
    MakeDirectory(first);
    std::string command = "\"" + OwnFilePath() + "\" --uninstaller";
    for (const std::string& path : {own, s.Path("Vantrel"), first, own, bin})
        command += " \"" + path + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION uninstaller = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &uninstaller));
    Sleep(2000);
    EXPECT_TRUE(Exists(first)) << "removed before the uninstaller ended";
    EXPECT_EQ(WaitForSingleObject(uninstaller.hProcess, 10000), WAIT_OBJECT_0);
    CloseHandle(uninstaller.hThread);
    CloseHandle(uninstaller.hProcess);
    for (DWORD start = GetTickCount(); Exists(s.Path("Vantrel")) && GetTickCount() - start < 30000;)
        Sleep(100);
    EXPECT_FALSE(Exists(s.Path("Vantrel")));
}

// With no copy to start (the program is not bound to its own file), the running uninstaller's
// file is moved aside to the restart, with the private folder after it, and its emptied folders
// go now.
TEST(RestartSchedule, WithoutAHelperTheRunningUninstallerIsMovedAsideAndItsFoldersGoNow)
{
    Scratch s;
    const std::string own = s.Path("Vantrel\\bin\\uninst.exe");
    MakeDirectory(s.Path("Vantrel\\bin"));
    HANDLE running = HoldInAnotherProcess(own, true);
    SetOwnPath(own);
    for (const std::string& path : {s.Path("Vantrel"), s.Path("Vantrel\\bin\\"), own})
        DeferIfOwnPath(path.c_str());
    TakeRestartSchedule();
    EXPECT_FALSE(LaunchSelfRemover());
    EndProcess(running);
    const std::vector<std::string> schedule = TakeRestartSchedule();
    ASSERT_EQ(schedule.size(), 2u);
    EXPECT_EQ(schedule[0].rfind(schedule[1] + "\\", 0), 0u) << schedule[0];
    EXPECT_FALSE(Exists(s.Path("Vantrel")));
    RemoveEverything(schedule[1]);
}

// "--uninstaller OWN PATHS...": stands in for the uninstaller with OWN as its file, holding it
// open as a running program does. The file that is copied is this program, bound as its own.
static int RunAsUninstaller(char** arguments, int count)
{
    SetOwnPath(arguments[0]);
    for (int i = 1; i < count; ++i)
        DeferIfOwnPath(arguments[i]);
    HANDLE own = CreateFileA(arguments[0], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             0, nullptr);
    BindOwnImage();
    LaunchSelfRemover();
    Sleep(3000);
    CloseHandle(own);
    return 0;
}

// The main of engine_tests. "--hold PATH": holds PATH open without delete sharing for two
// minutes, as another program that has a file in use.
int main(int argc, char** argv)
{
    if (argc > 2 && strcmp(argv[1], "--hold") == 0) {
        CreateFileA(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        Sleep(120000);  // the test ends it long before
        return 0;
    }
    if (argc > 1 && IsHelperSwitch(argv[1]))
        return RunHelperMode(argc - 2, argv + 2), 0;
    if (argc > 2 && strcmp(argv[1], "--uninstaller") == 0)
        return RunAsUninstaller(argv + 2, argc - 2);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
