#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "removal/deferred_list.h"
#include "removal/path_text.h"
#include "removal/tree_removal.h"
#include "tests/support/test_support.h"

namespace {

struct TreeTest : testing::Test {
    void SetUp() override { SetOwnPath("C:\\nowhere\\bin\\uninst.exe"); }
    void TearDown() override { SetOwnPath(""); }

    std::string Path(const std::string& relative) const { return scratch.Path(relative); }
    void Files(std::initializer_list<std::string> names)
    {
        for (const std::string& name : names) {
            MakeDirectory(Path(name).substr(0, Path(name).rfind('\\')));
            WriteTextFile(Path(name), name);
        }
    }
    // Walks `path` in a buffer of the engine's size; `buffer` keeps what the walk left in it.
    Status Remove(const std::string& path)
    {
        memset(buffer, 'Z', sizeof buffer);
        strcpy(buffer, path.c_str());
        return RemoveTree(buffer, "*.*");
    }

    ScratchDirectory scratch;
    char buffer[PathBufferSize];
};

}  // namespace

TEST_F(TreeTest, RemovesEverythingBelowThenTheDirectory)
{
    Files({"tree\\a.txt", "tree\\one\\b.txt", "tree\\one\\two\\c.txt", "tree\\one\\two\\d.txt",
           "keep\\e.txt"});
    MakeDirectory(Path("tree\\empty\\deeper"));
    EXPECT_EQ(Remove(Path("tree") + "\\"), nullptr);
    EXPECT_FALSE(Exists(Path("tree")));
    EXPECT_TRUE(Exists(Path("keep\\e.txt")));
    EXPECT_EQ(std::string(buffer), Path("tree"));
    EXPECT_EQ(FindHandle, nullptr);
}

TEST_F(TreeTest, AMissingPathIsASuccessAndAPlainFileIsDeleted)
{
    Files({"file.txt"});
    EXPECT_EQ(Remove(Path("missing")), nullptr);
    EXPECT_EQ(Remove(Path("file.txt")), nullptr);
    EXPECT_FALSE(Exists(Path("file.txt")));
}

TEST_F(TreeTest, AReadOnlyFileStopsTheWalkAndKeepsEveryDirectoryOnItsPath)
{
    Files({"tree\\sub\\a.txt", "tree\\sub\\b.txt", "tree\\sub\\c.txt", "tree\\sub\\d.txt",
           "tree\\sub\\e.txt"});
    SetReadOnly(Path("tree\\sub\\c.txt"));
    std::vector<std::string> order = ListDirectory(Path("tree\\sub"));

    Status status = Remove(Path("tree"));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->code, ERROR_ACCESS_DENIED);
    EXPECT_EQ(std::string(buffer), Path("tree\\sub\\c.txt"));
    EXPECT_TRUE(IsDirectory(Path("tree\\sub")));
    bool reached = false;
    for (const std::string& name : order) {
        reached = reached || name == "c.txt";
        EXPECT_EQ(Exists(Path("tree\\sub\\" + name)), reached) << name;
    }
    EXPECT_EQ(FindHandle, nullptr);
}

TEST_F(TreeTest, TheUninstallerAndTheDirectoriesAboveItAreDeferredDeeperFirst)
{
    Files({"tree\\app\\bin\\uninst.exe", "tree\\app\\bin\\x.txt", "tree\\app\\y.txt",
           "tree\\z.txt"});
    SetOwnPath(Path("tree\\app\\bin\\uninst.exe"));
    EXPECT_EQ(Remove(Path("tree")), nullptr);

    EXPECT_TRUE(Exists(Path("tree\\app\\bin\\uninst.exe")));
    for (const char* gone : {"tree\\app\\bin\\x.txt", "tree\\app\\y.txt", "tree\\z.txt"})
        EXPECT_FALSE(Exists(Path(gone))) << gone;
    EXPECT_EQ(DeferredListText(), "\"" + Path("tree\\app\\bin\\uninst.exe") + "\" \"" +
                                      Path("tree\\app\\bin") + "\" \"" + Path("tree\\app") +
                                      "\" \"" + Path("tree") + "\"");
}

// The walk must never write past its buffers: where a path would outgrow them it stops there
// with a failure, leaving what it has not reached in place.
TEST_F(TreeTest, PathsThatOutgrowTheBufferStopTheWalk)
{
    // One level whose own entries no longer fit, and one whose search path does not.
    for (size_t length : {250u, 257u}) {
        std::string top = Path("tree");
        std::string deep = top + "\\" + std::string(length - top.size() - 1, 'd');
        std::string inner = deep + "\\" + std::string(20, 'i');
        MakeDirectory(inner);
        WriteTextFile(inner + "\\f.txt", "x");
        ASSERT_TRUE(Exists(inner + "\\f.txt"));

        Status status = Remove(top);
        ASSERT_NE(status, nullptr) << length;
        EXPECT_EQ(status->code, ERROR_FILENAME_EXCED_RANGE) << length;
        EXPECT_TRUE(Exists(inner + "\\f.txt")) << length;
        EXPECT_TRUE(IsDirectory(top)) << length;
        EXPECT_EQ(FindHandle, nullptr);
        RemoveEverything(top);
    }
}

// C:\tests\fixtures\dir-link comes from wine-run.sh: tree\link is a directory symbolic link to
// the sibling directory outside.
TEST_F(TreeTest, ALinkedDirectoryIsNeverEntered)
{
    const std::string fixture = "C:\\tests\\fixtures\\dir-link";
    DWORD attributes = GetFileAttributesA((fixture + "\\tree\\link").c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << "run through tests/support/wine-run.sh";
    ASSERT_TRUE(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    WriteTextFile(fixture + "\\outside\\keep.txt", "x");
    MakeDirectory(fixture + "\\outside\\sub");
    WriteTextFile(fixture + "\\outside\\sub\\keep.txt", "x");
    WriteTextFile(fixture + "\\tree\\mine.txt", "x");

    Remove(fixture + "\\tree");
    EXPECT_TRUE(Exists(fixture + "\\outside\\keep.txt"));
    EXPECT_TRUE(Exists(fixture + "\\outside\\sub\\keep.txt"));
}
