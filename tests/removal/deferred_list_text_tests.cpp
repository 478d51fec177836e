#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "removal/deferred_list.h"
#include "tests/support/argument_split.h"

namespace {

void UseOwnPath(const char* path)
{
    memset(OwnPath, 0, sizeof OwnPath);
    strncpy(OwnPath, path, sizeof OwnPath - 1);
    ClearDeferredList();
}

std::string List()
{
    return DeferredList ? DeferredList : "";
}

}  // namespace

TEST(DeferredListText, PathsOnTheWayToTheOwnFileAreDeferredInOrder)
{
    UseOwnPath("C:\\A\\B\\uninst.exe");
    EXPECT_EQ(DeferIfOwnPath("C:\\A"), 1);
    EXPECT_EQ(DeferIfOwnPath("C:\\A\\B"), 1);
    EXPECT_EQ(List(), "\"C:\\A\" \"C:\\A\\B\"");
    EXPECT_EQ(List().size(), 15u);
}

TEST(DeferredListText, PrefixTestIgnoresAsciiCaseOnlyAndIsNotComponentWise)
{
    UseOwnPath("C:\\Program Files\\Vantrel\\uninst.exe");
    EXPECT_EQ(DeferIfOwnPath("c:\\PROGRAM FILES\\vantrel\\UNINST.EXE"), 1);
    EXPECT_EQ(DeferIfOwnPath("C:\\Program"), 1);
    EXPECT_EQ(DeferIfOwnPath(""), 1);
    EXPECT_EQ(DeferIfOwnPath("C:\\Program Files\\Vantrel\\readme.txt"), 0);
    EXPECT_EQ(DeferIfOwnPath("C:\\Program Files\\Vantrel\\uninst.exe2"), 0);
    EXPECT_NE(PrefixCompare("\xE9", "\xC9"), 0);  // no folding beyond A to Z
}

TEST(DeferredListText, NothingDeferredLeavesTheListEmpty)
{
    UseOwnPath("C:\\A\\uninst.exe");
    EXPECT_EQ(DeferIfOwnPath("C:\\B"), 0);
    EXPECT_EQ(DeferredList, nullptr);
}

TEST(DeferredListText, TrailingBackslashesSurviveTheHelpersArgumentSplitting)
{
    UseOwnPath("C:\\Program Files\\Vantrel\\bin\\uninst.exe");
    std::vector<std::string> paths = {"C:\\Program Files\\Vantrel\\bin\\uninst.exe",
                                      "C:\\Program Files\\Vantrel\\bin\\",
                                      "C:\\Program Files", "C:\\"};
    for (const std::string& path : paths)
        ASSERT_EQ(DeferIfOwnPath(path.c_str()), 1) << path;
    EXPECT_EQ(SplitArguments(List()), paths);

    // A share path starts with two backslashes: "\\" alone must come back as two.
    UseOwnPath("\\\\server\\share\\uninst.exe");
    std::vector<std::string> sharePaths = {"\\\\", "\\\\server\\", "\\\\server\\share"};
    for (const std::string& path : sharePaths)
        ASSERT_EQ(DeferIfOwnPath(path.c_str()), 1) << path;
    EXPECT_EQ(SplitArguments(List()), sharePaths);
}

TEST(DeferredListText, ManyDeferralsKeepEveryPathInOrder)
{
    UseOwnPath("C:\\Program Files\\Vantrel\\uninst.exe");
    std::vector<std::string> paths;
    for (int i = 0; i < 10000; ++i) {
        paths.push_back(std::string("C:\\Program Files\\Vantrel\\uninst.exe").substr(0, 3 + i % 30));
        ASSERT_EQ(DeferIfOwnPath(paths.back().c_str()), 1);
    }
    EXPECT_EQ(SplitArguments(List()), paths);
    ClearDeferredList();
}
