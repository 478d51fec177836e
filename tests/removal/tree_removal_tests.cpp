// Removing directory trees on the real file system.
#include <cstring>
#include <string>

#include "removal/path_text.h"
#include "removal/tree_removal.h"
#include "tests/support/test_support.h"

namespace {

// Walks `path` in a buffer of the engine's size; `Buffer` keeps what the walk left in it.
char Buffer[PathBufferSize];
Status Remove(const std::string& path)
{
    strcpy(Buffer, path.c_str());
    Status status = RemoveTree(Buffer, "*.*");
    EXPECT_EQ(FindHandle, nullptr) << "every search is closed";
    return status;
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
    EXPECT_EQ(Remove(s.Path("tree\\")), nullptr);
    EXPECT_EQ(std::string(Buffer), s.Path("tree"));
    for (const char* path : {"missing", "file", "app"})
        EXPECT_EQ(Remove(s.Path(path)), nullptr) << path;
    for (const char* gone : {"tree", "file", "app\\bin\\x"})
        EXPECT_FALSE(Exists(s.Path(gone))) << gone;
    EXPECT_TRUE(Exists(s.Path("keep\\d")) && Exists(s.Path("app\\bin\\uninst.exe")));
    EXPECT_EQ(DeferredListText(),
              "\"" + s.Path("app\\bin\\uninst.exe") + "\" \"" + s.Path("app\\bin") + "\" \"" + s.Path("app") + "\"");
    SetOwnPath("");
}

// A file that cannot be deleted stops the whole walk where the file system lists it: what came
// before is gone, it and what comes after stay, and so does every directory above.
TEST(TreeRemoval, AFileThatCannotBeDeletedStopsTheWalk)
{
    Scratch s;
    for (int i = 0; i < 8; ++i)
        PutFile(s.Path("tree\\sub\\" + std::to_string(i)));
    SetFileAttributesA(s.Path("tree\\sub\\4").c_str(), FILE_ATTRIBUTE_READONLY);
    std::vector<std::string> order = ListDirectory(s.Path("tree\\sub"));
    Status status = Remove(s.Path("tree"));
    EXPECT_EQ(status ? status->code : 0, ERROR_ACCESS_DENIED);
    EXPECT_EQ(std::string(Buffer), s.Path("tree\\sub\\4"));
    bool reached = false;
    for (const std::string& name : order) {
        reached = reached || name == "4";
        EXPECT_EQ(Exists(s.Path("tree\\sub\\" + name)), reached) << name;
    }
    SetFileAttributesA(s.Path("tree\\sub\\4").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Where a path would outgrow the buffer (a level whose entries no longer fit, one whose search
// path does not, a name of 255 characters), the walk stops with a failure and leaves the rest.
TEST(TreeRemoval, PathsThatOutgrowTheBufferStopTheWalk)
{
    Scratch s;
    for (size_t length : {250u, 257u, 0u}) {
        const std::string top = s.Path("tree");
        const std::string deep = length ? top + "\\" + std::string(length - top.size() - 1, 'd')
                                        : top + "\\" + std::string(255, 'n');
        PutFile(deep + "\\" + std::string(20, 'i') + "\\f");
        Status status = Remove(top);
        EXPECT_EQ(status ? status->code : 0, ERROR_FILENAME_EXCED_RANGE) << length;
        EXPECT_TRUE(Exists(deep + "\\" + std::string(20, 'i') + "\\f")) << length;
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
    // Wine cannot remove the link itself, so the walk may fail there, but nowhere else.
    if (Status status = Remove(fixture + "\\tree"))
        EXPECT_EQ(std::string(Buffer), fixture + "\\tree\\link") << status->text;
    else
        EXPECT_FALSE(Exists(fixture + "\\tree"));
    EXPECT_TRUE(Exists(fixture + "\\outside\\sub\\keep"));
}
