// Removing directory trees on the real file system.
#include <cstring>

#include "removal/path_text.h"
#include "removal/tree_removal.h"
#include "tests/support/test_support.h"

namespace {

// Walks `path` in a buffer of the engine's size, which must hold the path again afterwards.
OutcomeKind Remove(const std::string& path)
{
    char buffer[PathBufferSize];
    strcpy(buffer, path.c_str());
    OutcomeKind outcome = RemoveTree(buffer, "*.*");
    EXPECT_EQ(FindHandle, nullptr) << "every search is closed";
    EXPECT_EQ(path.substr(0, path.find_last_not_of('\\') + 1), buffer);
    return outcome;
}

}  // namespace

// The uninstaller's own file, and the directories above it, stay for the helper to remove.
TEST(TreeRemoval, RemovesEverythingBelowThenTheDirectoryAndNothingBesideButTheUninstaller)
{
    Scratch s;
    for (const char* name :
         {"tree\\a", "tree\\one\\b", "tree\\one\\two\\c", "keep\\d", "file", "app\\bin\\uninst.exe", "app\\bin\\x"})
        PutFile(s.Path(name));
    MakeDirectory(s.Path("tree\\empty\\deeper"));
    SetOwnPath(s.Path("app\\bin\\uninst.exe"));
    EXPECT_EQ(Remove(s.Path("tree\\")), OutcomeRemoved);
    EXPECT_EQ(Remove(s.Path("missing")), OutcomeAbsent);
    for (const char* path : {"file", "app"})
        EXPECT_EQ(Remove(s.Path(path)), OutcomeRemoved) << path;
    for (const char* gone : {"tree", "file", "app\\bin\\x"})
        EXPECT_FALSE(Exists(s.Path(gone))) << gone;
    EXPECT_TRUE(Exists(s.Path("keep\\d")) && Exists(s.Path("app\\bin\\uninst.exe")));
    EXPECT_EQ(DeferredListText(),
              "\"" + s.Path("app\\bin\\uninst.exe") + "\" \"" + s.Path("app\\bin") + "\" \"" + s.Path("app") + "\"");
    SetOwnPath("");
}

// Where a path would outgrow the buffer (a level whose entries no longer fit, one whose search
// path does not, a name of 255 characters), that entry stays with the directories above it, and
// the walk goes on with the rest.
TEST(TreeRemoval, APathThatOutgrowsTheBufferIsKeptAndTheWalkGoesOn)
{
    Scratch s;
    for (size_t length : {250u, 257u, 0u}) {
        const std::string top = s.Path("tree");
        const std::string deep = length ? top + "\\" + std::string(length - top.size() - 1, 'd')
                                        : top + "\\" + std::string(255, 'n');
        PutFile(deep + "\\" + std::string(20, 'i') + "\\f");
        PutFile(top + "\\other");
        EXPECT_EQ(Remove(top), OutcomeKept) << length;
        EXPECT_EQ(TheErrorRecord.code, ERROR_DIR_NOT_EMPTY) << length;
        EXPECT_TRUE(Exists(deep + "\\" + std::string(20, 'i') + "\\f")) << length;
        EXPECT_FALSE(Exists(top + "\\other")) << length;
        RemoveEverything(top);
    }
}

// C:\tests\fixtures\dir-link comes from tests/support/wine-run.sh: tree\link is a directory
// symbolic link to its sibling outside.
TEST(TreeRemoval, ALinkedDirectoryIsRemovedAsALinkNeverEntered)
{
    const std::string fixture = "C:\\tests\\fixtures\\dir-link";
    ASSERT_TRUE(GetFileAttributesA((fixture + "\\tree\\link").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
    PutFile(fixture + "\\outside\\sub\\keep");
    Remove(fixture + "\\tree");
    // Wine cannot remove the link itself, so it may stay, but nothing else.
    EXPECT_TRUE(!Exists(fixture + "\\tree") || ListDirectory(fixture + "\\tree") == std::vector<std::string>{"link"});
    EXPECT_TRUE(Exists(fixture + "\\outside\\sub\\keep"));
}
