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

namespace {

void RunHelperOn(std::vector<std::string> paths)
{
    std::vector<char*> arguments;
    for (std::string& path : paths)
        arguments.push_back(&path[0]);
    RunHelperMode(static_cast<int>(arguments.size()), arguments.data());
}

}  // namespace

TEST(HelperMode, RemovesFilesAndEmptyDirectoriesInTheOrderGiven)
{
    ScratchDirectory scratch;
    MakeDirectory(scratch.Path("bin"));
    WriteTextFile(scratch.Path("bin\\uninst.exe"), "x");
    MakeDirectory(scratch.Path("early"));
    WriteTextFile(scratch.Path("early\\later.txt"), "x");
    MakeDirectory(scratch.Path("full"));
    WriteTextFile(scratch.Path("full\\kept.txt"), "x");

    RunHelperOn({
        scratch.Path("bin\\uninst.exe"),
        scratch.Path("bin\\"),  // written with a trailing backslash, after its contents
        scratch.Path("early"),  // listed before its file, so not yet empty on its turn
        scratch.Path("early\\later.txt"),
        scratch.Path("full"),
        scratch.Path("missing.txt"),
    });

    EXPECT_FALSE(Exists(scratch.Path("bin\\uninst.exe")));
    EXPECT_FALSE(Exists(scratch.Path("bin")));
    EXPECT_TRUE(IsDirectory(scratch.Path("early")));
    EXPECT_FALSE(Exists(scratch.Path("early\\later.txt")));
    EXPECT_TRUE(Exists(scratch.Path("full\\kept.txt")));
}

TEST(SelfRemover, NothingDeferredMakesNoCopy)
{
    ScratchDirectory scratch;
    TemporaryDirectoryOverride temporary(scratch.Path() + "\\");
    SetOwnPath(OwnFilePath());
    LaunchSelfRemover();
    EXPECT_FALSE(Exists(scratch.Path(HelperFileName)));
}

TEST(SelfRemover, TheCopyRemovesTheDeferredPathsThenItself)
{
    ScratchDirectory scratch;
    // Blanks in the temporary directory must not keep the copy out of helper mode.
    MakeDirectory(scratch.Path("temp dir"));
    TemporaryDirectoryOverride temporary(scratch.Path("temp dir\\"));
    MakeDirectory(scratch.Path("Vantrel\\bin"));
    std::string ownFile = scratch.Path("Vantrel\\bin\\uninst.exe");
    WriteTextFile(ownFile, "x");

    SetOwnPath(ownFile);
    ASSERT_EQ(DeferIfOwnPath(ownFile.c_str()), 1);
    ASSERT_EQ(DeferIfOwnPath(scratch.Path("Vantrel\\bin\\").c_str()), 1);
    ASSERT_EQ(DeferIfOwnPath(scratch.Path("Vantrel").c_str()), 1);
    strcpy(OwnPath, OwnFilePath().c_str());  // the file that is copied: this test program
    LaunchSelfRemover();

    std::string copy = scratch.Path("temp dir\\") + HelperFileName;
    EXPECT_TRUE(Exists(copy)) << "the copy is held open by the running helper";
    EXPECT_TRUE(WaitUntil([&] { return !Exists(scratch.Path("Vantrel")); }, 30));
    EXPECT_TRUE(WaitUntil([&] { return !Exists(copy); }, 30));
    ClearDeferredList();
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

int main(int argc, char** argv)
{
    if (argc > 1 && IsHelperSwitch(argv[1])) {
        RunHelperMode(argc - 2, argv + 2);
        return 0;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
