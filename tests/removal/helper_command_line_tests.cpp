#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "removal/deferred_list.h"
#include "removal/helper_command_line.h"
#include "tests/support/argument_split.h"

namespace {

const char CopyPath[] = "C:\\Temp dir\\uninstallvx.exe";

// The DeferredList that the uninstaller would hold after deferring `paths` (each a prefix of
// the own path "C:\...\uninst.exe" set here).
std::string DeferredFor(const std::vector<std::string>& paths, const std::string& ownPath)
{
    memset(OwnPath, 0, sizeof OwnPath);
    strncpy(OwnPath, ownPath.c_str(), sizeof OwnPath - 1);
    ClearDeferredList();
    for (const std::string& path : paths)
        EXPECT_EQ(DeferIfOwnPath(path.c_str()), 1) << path;
    return DeferredList ? DeferredList : "";
}

// Builds into a buffer of `size` characters followed by a guard region, and fails the test if
// anything was written past `size`.
struct Built {
    std::string commandLine;
    int omitted;
};

Built Build(size_t size, const char* copyPath, const std::string& deferred)
{
    std::vector<char> buffer(size + 64, '#');
    int omitted = BuildHelperCommandLine(buffer.data(), size, copyPath, deferred.c_str());
    for (size_t i = size; i < buffer.size(); ++i)
        EXPECT_EQ(buffer[i], '#') << "written past the buffer at " << i;
    EXPECT_LT(strnlen(buffer.data(), size + 1), size) << "not terminated inside the buffer";
    return {buffer.data(), omitted};
}

std::string OwnFileIn(const std::string& directory)
{
    return directory + "\\uninst.exe";
}

}  // namespace

TEST(HelperCommandLine, ChildReceivesItsQuotedPathTheSwitchAndEveryDeferredPathExactly)
{
    std::string bin = "C:\\Program Files\\Vantrel\\bin";
    std::vector<std::string> paths = {OwnFileIn(bin), bin + "\\", "C:\\Program Files\\Vantrel",
                                      "C:\\"};
    Built built = Build(HelperCommandLineSize, CopyPath, DeferredFor(paths, OwnFileIn(bin)));
    EXPECT_EQ(built.omitted, 0);
    std::vector<std::string> expected = {CopyPath, "-u"};
    expected.insert(expected.end(), paths.begin(), paths.end());
    EXPECT_EQ(SplitArguments(built.commandLine), expected);
}

TEST(HelperCommandLine, APathThatDoesNotFitIsLeftOutWholeAndShorterOnesStillGo)
{
    std::string own = "C:\\Program Files\\Vantrel\\bin\\uninst.exe";
    std::string deferred = DeferredFor({own, "C:\\Program Files"}, own);
    std::string head = std::string("\"") + CopyPath + "\" -u";
    std::string shortArgument = " \"C:\\Program Files\"";

    // Room for the head and the short path, not for the long one that comes first.
    Built built = Build(head.size() + shortArgument.size() + 1, CopyPath, deferred);
    EXPECT_EQ(built.commandLine, head + shortArgument);
    EXPECT_EQ(built.omitted, 1);

    // One character less: the short path no longer fits either.
    built = Build(head.size() + shortArgument.size(), CopyPath, deferred);
    EXPECT_EQ(built.commandLine, head);
    EXPECT_EQ(built.omitted, 2);
}

TEST(HelperCommandLine, AListLongerThanAnyCommandLineIsCutAtAWholePath)
{
    // 200 deferrals of a 250-character path: about 50,000 characters of list.
    std::string own = "C:\\" + std::string(240, 'd') + "\\uninst.exe";
    std::vector<std::string> paths(200, own);
    Built built = Build(HelperCommandLineSize, CopyPath, DeferredFor(paths, own));

    std::vector<std::string> arguments = SplitArguments(built.commandLine);
    ASSERT_GE(arguments.size(), 2u);
    size_t placed = arguments.size() - 2;
    EXPECT_GT(placed, 100u);
    EXPECT_EQ(placed + static_cast<size_t>(built.omitted), paths.size());
    for (size_t i = 2; i < arguments.size(); ++i)
        EXPECT_EQ(arguments[i], own) << "argument " << i;
}

TEST(HelperCommandLine, AnEntryThatWouldSwallowTheNextPathIsLeftOut)
{
    // An odd number of backslashes makes the closing quote literal: the child would see one
    // argument running into the next path.
    Built built = Build(HelperCommandLineSize, CopyPath, "\"C:\\A\\\" \"C:\\B\" \"C:\\C");
    EXPECT_EQ(built.omitted, 2);
    std::vector<std::string> expected = {CopyPath, "-u", "C:\\B"};
    EXPECT_EQ(SplitArguments(built.commandLine), expected);
}

TEST(HelperCommandLine, NoRoomForTheCopysPathGivesAnEmptyLine)
{
    std::string head = std::string("\"") + CopyPath + "\" -u";
    Built built = Build(head.size(), CopyPath, "\"C:\\A\"");
    EXPECT_EQ(built.omitted, -1);
    EXPECT_EQ(built.commandLine, "");
    EXPECT_EQ(Build(head.size() + 1, CopyPath, "").commandLine, head);
}

TEST(HelperPath, TheCopyGoesIntoTheTemporaryDirectoryOnlyWhenItsPathFits)
{
    char path[260];
    ASSERT_TRUE(BuildHelperPath(path, sizeof path, "C:\\Temp dir\\"));
    EXPECT_STREQ(path, CopyPath);

    // 244 + 15 characters and the terminator fill the buffer exactly; one more does not fit.
    std::string directory = "C:\\" + std::string(240, 't') + "\\";
    ASSERT_EQ(directory.size(), 244u);
    EXPECT_TRUE(BuildHelperPath(path, sizeof path, directory.c_str()));
    EXPECT_EQ(strlen(path), 259u);
    directory.insert(3, "t");
    EXPECT_FALSE(BuildHelperPath(path, sizeof path, directory.c_str()));
    EXPECT_STREQ(path, "");
}

TEST(HelperSwitch, OnlyDashUInEitherCase)
{
    EXPECT_TRUE(IsHelperSwitch("-u"));
    EXPECT_TRUE(IsHelperSwitch("-U"));
    for (const char* other : {"", "-", "u", "/u", "-u ", "-uu", "--u", "-v"})
        EXPECT_FALSE(IsHelperSwitch(other)) << other;
}
