// The self-remover under Wine: a real copy started as a real process. This test program is its
// own helper: started with "-u" it runs helper mode instead of the tests, so the copy that
// LaunchSelfRemover makes of it behaves as the uninstaller's copy would.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/dll_search.h"
#include "removal/deferred_list.h"
#include "removal/helper_command_line.h"
#include "removal/self_remover.h"
#include "tests/support/test_support.h"

TEST(SelfRemover, NothingDeferredMakesNoCopy)
{
    ScratchDirectory scratch;
    TemporaryDirectoryOverride temporary(scratch.Path() + "\\");
    SetOwnPath(OwnFilePath());
    LaunchSelfRemover();
    EXPECT_FALSE(Exists(scratch.Path(HelperFileName)));
}

TEST(SelfRemover, TheCopyWaitsForTheUninstallerThenRemovesItsPathsAndItself)
{
    ScratchDirectory scratch;
    // Blanks in the temporary directory must not keep the copy out of helper mode.
    MakeDirectory(scratch.Path("temp dir"));
    TemporaryDirectoryOverride temporary(scratch.Path("temp dir\\"));
    MakeDirectory(scratch.Path("Vantrel\\bin"));
    // Empty, and first in line (as deep as the file, listed before it): a helper that did not
    // wait for the uninstaller to end would remove it at once.
    std::string first = scratch.Path("Vantrel\\bin\\uninst");
    MakeDirectory(first);
    std::string ownFile = scratch.Path("Vantrel\\bin\\uninst.exe");
    WriteTextFile(ownFile, "x");

    // The uninstaller, started with the install folder as its current directory (a shortcut's
    // "Start in"), defers the paths in log order, the top directory first.
    std::string command = "\"" + OwnFilePath() + "\" --uninstaller";
    for (const std::string& path : {ownFile, scratch.Path("Vantrel"), first, ownFile,
                                    scratch.Path("Vantrel\\bin")})
        command += " \"" + path + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION uninstaller = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                               scratch.Path("Vantrel\\bin").c_str(), &startup, &uninstaller));
    Sleep(2000);
    EXPECT_TRUE(IsDirectory(first)) << "removed before the uninstaller ended";
    EXPECT_EQ(WaitForSingleObject(uninstaller.hProcess, 10000), WAIT_OBJECT_0);
    CloseHandle(uninstaller.hThread);
    CloseHandle(uninstaller.hProcess);

    // Had the helper kept the uninstaller's current directory, Vantrel\bin would stay.
    EXPECT_TRUE(WaitUntil([&] { return !Exists(scratch.Path("Vantrel")); }, 30));
    EXPECT_TRUE(WaitUntil([&] { return ListDirectory(scratch.Path("temp dir")).empty(); }, 30));
}

TEST(DllSearch, ADllPlantedBesideTheProgramIsNotLoaded)
{
    // Any loadable image will do as the plant: a copy of this program, named as a DLL.
    std::string own = OwnFilePath();
    std::string planted = own.substr(0, own.rfind('\\') + 1) + "planted.dll";
    ASSERT_TRUE(CopyFileA(own.c_str(), planted.c_str(), FALSE));

    HMODULE found = LoadLibraryA("planted.dll");
    EXPECT_NE(found, nullptr) << "found beside the program before the restriction";
    if (found)
        FreeLibrary(found);

    RestrictDllSearch();
    found = LoadLibraryA("planted.dll");
    EXPECT_EQ(found, nullptr);
    if (found)
        FreeLibrary(found);
    DeleteFileA(planted.c_str());
}

// "--uninstaller OWN PATHS...": stands in for the uninstaller. Defers PATHS with OWN as its
// own file, hands them to a copy of this program, then takes 3 s more to end, holding OWN open
// as a running program holds its own file.
static int RunAsUninstaller(int count, char** arguments)
{
    SetOwnPath(arguments[0]);
    for (int i = 1; i < count; ++i)
        DeferIfOwnPath(arguments[i]);
    HANDLE own = CreateFileA(arguments[0], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             0, nullptr);
    strcpy(OwnPath, OwnFilePath().c_str());  // the file that is copied: this test program
    LaunchSelfRemover();
    Sleep(3000);
    CloseHandle(own);
    return 0;
}

int main(int argc, char** argv)
{
    if (argc > 2 && strcmp(argv[1], "--uninstaller") == 0)
        return RunAsUninstaller(argc - 2, argv + 2);
    if (argc > 1 && IsHelperSwitch(argv[1])) {
        RunHelperMode(argc - 2, argv + 2);
        return 0;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
