// Removing directory trees on the real file system, in the file system's own names.
#include <fstream>
#include <sstream>

#include "removal/entries/tree_removal.h"
#include "removal/results/report.h"
#include "tests/support/test_support.h"

static OutcomeKind Remove(const std::string& path) { return RemoveTree(Utf16(path).c_str()); }

// Spelled with a trailing backslash, or naming a file; what lies beside stays.
TEST(TreeRemoval, ATreeGoesWithEverythingBelowItAndNothingBesideIt)
{
    Scratch s;
    for (const char* name : {"tree\\a", "tree\\one\\b", "tree\\one\\two\\c", "keep\\d", "file"})
        PutFile(s.Path(name));
    MakeDirectory(s.Path("tree\\empty\\deeper"));
    EXPECT_EQ(Remove(s.Path("tree\\")), OutcomeRemoved);
    EXPECT_EQ(Remove(s.Path("file")), OutcomeRemoved);
    EXPECT_EQ(Remove(s.Path("missing")), OutcomeAbsent);
    EXPECT_EQ(ListDirectory(s.root), std::vector<std::string>{"keep"});
    EXPECT_TRUE(Exists(s.Path("keep\\d")));
}

// They go once the uninstaller has ended, by the helper; the rest of the tree goes now.
TEST(TreeRemoval, TheUninstallersOwnFileAndTheDirectoriesAboveItAreLeftToTheHelper)
{
    Scratch s;
    const std::string bin = s.Path("app\\bin"), own = bin + "\\uninst.exe";
    PutFile(own);
    PutFile(bin + "\\x");
    SetOwnPath(own);
    EXPECT_EQ(Remove(s.Path("app")), OutcomeRemoved);
    EXPECT_EQ(ListDirectory(bin), std::vector<std::string>{"uninst.exe"});
    EXPECT_EQ(DeferredListText(), "\"" + own + "\" \"" + bin + "\" \"" + s.Path("app") + "\"");
    SetOwnPath("");
}

// Names the ANSI code page cannot hold, or best-fits onto a backslash or a dot (which once led
// the walk out of its tree), names that Win32 would trim, and a path far past MAX_PATH: each is
// removed as itself, and nothing beside the tree is touched.
TEST(TreeRemoval, EveryNameGoesAsItselfAtAnyDepthAndNothingBesideTheTree)
{
    Scratch s;
    const char* const names[] = {"中文\\文件.txt", "😀\\😀.txt", "Ａ.txt", "A.txt",
                                 "evil＼..\\inner.txt", "．．\\f", "＼\\f", "dot.\\f.",
                                 "blank \\f "};
    for (const char* name : names)
        PutFile(s.Path("tree\\") + name);
    std::string deep = s.Path("tree");
    for (int level = 0; level < 40; ++level)
        PutFile((deep += "\\level-" + std::to_string(level) + "-abcdefgh") + "\\f");
    for (const char* canary : {"inner.txt", "f", "A.txt", "beside\\f"})
        PutFile(s.Path(canary));
    ASSERT_GT(deep.size(), 400u);
    EXPECT_EQ(Remove(s.Path("tree")), OutcomeRemoved);
    EXPECT_FALSE(Exists(s.Path("tree")));
    EXPECT_EQ(ListDirectory(s.root).size(), 4u);
    for (const char* canary : {"inner.txt", "f", "A.txt", "beside\\f"})
        EXPECT_TRUE(Exists(s.Path(canary))) << canary;
}

static std::string SwapPlace, SwapImpostor;

// At the first outcome inside the tree, whichever directory the walk is not inside is moved
// away, and a directory made elsewhere takes its name.
static void SwapUnheldDirectory(const char*, const wchar_t*)
{
    for (const char* name : {"\\one", "\\two"}) {
        const std::wstring place = Utf16(SwapPlace + name);
        if (!SwapImpostor.empty() && MoveFileW(place.c_str(), (place + L"-away").c_str())) {
            MoveFileW(Utf16(SwapImpostor).c_str(), place.c_str());
            SwapImpostor.clear();
        }
    }
}

// A directory replaced between its listing and its entry is another directory: not entered,
// counted as kept with its reason, and what it holds untouched.
TEST(TreeRemoval, ADirectoryReplacedAfterItsListingIsNotEnteredAndKept)
{
    Scratch s;
    SwapPlace = s.Path("tree\\p");
    SwapImpostor = s.Path("elsewhere");
    for (const char* name : {"tree\\p\\one\\a", "tree\\p\\two\\b", "elsewhere\\precious"})
        PutFile(s.Path(name));
    ClearOutcome();
    RemovalProgress = SwapUnheldDirectory;
    EXPECT_EQ(Remove(s.Path("tree")), OutcomeKept);
    RemovalProgress = nullptr;
    ASSERT_TRUE(SwapImpostor.empty()) << "no directory was swapped";
    const bool first = Exists(s.Path("tree\\p\\one-away"));
    const std::string name = first ? "one" : "two", swapped = SwapPlace + "\\" + name;
    EXPECT_EQ(ListDirectory(SwapPlace), (std::vector<std::string>{name, name + "-away"}));
    EXPECT_TRUE(Exists(swapped + "\\precious"));
    EXPECT_TRUE(Exists(swapped + "-away\\" + (first ? "a" : "b")));
    EXPECT_EQ(Outcome.kept, 3u) << OutcomeLines();
    const std::string lines = OutcomeLines();
    EXPECT_NE(lines.find("kept\t" + swapped + "\t"), std::string::npos) << lines;
}

// C:\tests\fixtures\dir-link comes from tests/support/wine-run.sh: tree\link is a directory
// symbolic link to its sibling outside. Neither as an entry of a tree nor as the tree's root is
// it walked.
TEST(TreeRemoval, ALinkedDirectoryIsRemovedAsALinkNeverEntered)
{
    const std::string fixture = "C:\\tests\\fixtures\\dir-link";
    const DWORD attributes = GetFileAttributesA((fixture + "\\tree\\link").c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    ASSERT_TRUE(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    PutFile(fixture + "\\outside\\sub\\keep");
    Remove(fixture + "\\tree\\link");  // the tree's root itself: a link, never walked
    Remove(fixture + "\\tree");
    // Wine opens the link's target, which is not the link: the link stays, and nothing else.
    EXPECT_TRUE(!Exists(fixture + "\\tree") ||
                ListDirectory(fixture + "\\tree") == std::vector<std::string>{"link"});
    EXPECT_TRUE(Exists(fixture + "\\outside\\sub\\keep"));
}

// The report names every path exactly, in UTF-8 after its mark, and as a user writes it.
TEST(RemovalReport, NamesEveryPathExactlyInUtf8AfterItsMark)
{
    Scratch s;
    ClearOutcome();
    Remove(s.Path("中文-😀-missing"));
    Remove("\\\\server\\share\\Ａ-missing");
    char written[MAX_PATH];
    ASSERT_TRUE(WriteRemovalReport(s.Path("report.txt").c_str(), written, sizeof written));
    std::ifstream file(s.Path("report.txt"), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    EXPECT_EQ(text.str(), "\xEF\xBB\xBF" "already absent\t" + s.Path("中文-😀-missing") +
                              "\r\nalready absent\t\\\\server\\share\\Ａ-missing\r\n"
                              "totals\tremoved 0\talready absent 2\tat restart 0\tkept 0"
                              "\tnot listed 0\tyour files 0\r\n");
}
