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
    OutcomeKind Remove(const std::string& path)
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
    EXPECT_EQ(Remove(Path("tree") + "\\"), OutcomeRemoved);
    EXPECT_FALSE(Exists(Path("tree")));
    EXPECT_TRUE(Exists(Path("keep\\e.txt")));
    EXPECT_EQ(std::string(buffer), Path("tree"));
    EXPECT_EQ(FindHandle, nullptr);
}

TEST_F(TreeTest, AMissingPathIsASuccessAndAPlainFileIsDeleted)
{
    Files({"file.txt"});
    EXPECT_EQ(Remove(Path("missing")), OutcomeAbsent);
    EXPECT_EQ(Remove(Path("file.txt")), OutcomeRemoved);
    EXPECT_FALSE(Exists(Path("file.txt")));
}

TEST_F(TreeTest, TheUninstallerAndTheDirectoriesAboveItAreDeferredDeeperFirst)
{
    Files({"tree\\app\\bin\\uninst.exe", "tree\\app\\bin\\x.txt", "tree\\app\\y.txt",
           "tree\\z.txt"});
    SetOwnPath(Path("tree\\app\\bin\\uninst.exe"));
    EXPECT_EQ(Remove(Path("tree")), OutcomeRemoved);

    EXPECT_TRUE(Exists(Path("tree\\app\\bin\\uninst.exe")));
    for (const char* gone : {"tree\\app\\bin\\x.txt", "tree\\app\\y.txt", "tree\\z.txt"})
        EXPECT_FALSE(Exists(Path(gone))) << gone;
    EXPECT_EQ(DeferredListText(), "\"" + Path("tree\\app\\bin\\uninst.exe") + "\" \"" +
                                      Path("tree\\app\\bin") + "\" \"" + Path("tree\\app") +
                                      "\" \"" + Path("tree") + "\"");
}

// The walk must never write past its buffers: an entry whose path would outgrow them stays,
// with the directories above it, and the walk goes on with the rest.
TEST_F(TreeTest, APathThatOutgrowsTheBufferIsKeptAndTheWalkGoesOn)
{
    // One level whose own entries no longer fit, and one whose search path does not.
    for (size_t length : {250u, 257u}) {
        std::string top = Path("tree");
        std::string deep = top + "\\" + std::string(length - top.size() - 1, 'd');
        std::string inner = deep + "\\" + std::string(20, 'i');
        MakeDirectory(inner);
        WriteTextFile(inner + "\\f.txt", "x");
        WriteTextFile(top + "\\other.txt", "x");
        ASSERT_TRUE(Exists(inner + "\\f.txt"));

        EXPECT_EQ(Remove(top), OutcomeKept) << length;
        EXPECT_EQ(TheErrorRecord.code, ERROR_DIR_NOT_EMPTY) << length;
        EXPECT_TRUE(Exists(inner + "\\f.txt")) << length;
        EXPECT_FALSE(Exists(top + "\\other.txt")) << length;
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
