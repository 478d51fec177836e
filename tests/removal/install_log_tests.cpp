#include <gtest/gtest.h>

#include "removal/install_log.h"
#include "tests/support/test_support.h"

TEST(InstallLog, FileEntriesDeleteTheirFilesWhateverTheTagsCase)
{
    ScratchDirectory scratch;
    SetOwnPath("C:\\nowhere\\uninstall.exe");
    WriteTextFile(scratch.Path("a.txt"), "a");
    WriteTextFile(scratch.Path("b.txt"), "b");
    WriteTextFile(scratch.Path("keep.txt"), "k");
    WriteTextFile(scratch.Path("log.txt"),
                  "file:" + scratch.Path("a.txt") + "\r\nFILE:" + scratch.Path("b.txt"));
    EXPECT_EQ(ProcessInstallLog(scratch.Path("log.txt").c_str()), nullptr);
    EXPECT_FALSE(Exists(scratch.Path("a.txt")));
    EXPECT_FALSE(Exists(scratch.Path("b.txt")));
    EXPECT_TRUE(Exists(scratch.Path("keep.txt")));
}
