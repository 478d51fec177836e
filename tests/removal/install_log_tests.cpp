#include <gtest/gtest.h>

#include <string>

#include "removal/deferred_list.h"
#include "removal/install_log.h"
#include "tests/support/test_support.h"

TEST_F(LogTest, EveryControlByteSeparatesAndTagsIgnoreCase)
{
    Files({"a.txt", "b.txt", "c.txt", "d.txt", "e.txt", "f.lnk", "g.txt", "tree\\x\\y.txt"});
    MakeDirectory(Path("empty"));
    ScratchKey key;
    SetStringValue(HKEY_CURRENT_USER, key.path, "Path", "v");
    std::string log = "FILE:" + Path("a.txt") + "\r\n" +
                      "file:" + Path("b.txt") + "\n" +
                      "File:" + Path("c.txt") + "\r" +
                      "fIlE:" + Path("d.txt") + "\t" +
                      "DIR:" + Path("empty") + '\0' +
                      "DirW:" + Path("tree") + "\x01" +
                      "Key:HKCU\\" + key.path + "\\Path" + "\x1f" +
                      "LINK:" + Path("f.lnk") + "\x1b" +
                      "unknown:" + Path("g.txt") + "\r\n" +
                      "file:" + Path("e.txt");  // the last entry has no line end
    EXPECT_EQ(Process(log), nullptr);

    for (const char* gone : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt", "f.lnk", "empty", "tree"})
        EXPECT_FALSE(Exists(Path(gone))) << gone;
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, key.path, "Path"));
    EXPECT_TRUE(Exists(Path("g.txt")));
    EXPECT_TRUE(Exists(Path("install.log")));
    EXPECT_EQ(DeferredListText(), "");
}

TEST_F(LogTest, EntriesThatDoNotStartWithATagAreIgnored)
{
    Files({"a.txt", "b.txt", "c.txt", "d.txt", "sub\\e.txt"});
    std::string log = "\xEF\xBB\xBF" "file:" + Path("a.txt") + "\r\n" +  // byte-order mark
                      " file:" + Path("b.txt") + "\r\n" +                  // blank before tag
                      "file: " + Path("c.txt") + "\r\n" +                  // blank after colon
                      "file:" + Path("d") + "\t.txt\r\n" +                 // tab splits the entry
                      "dir:" + Path("sub") + "\r\n";                        // not empty
    EXPECT_EQ(Process(log), nullptr);
    for (const char* kept : {"a.txt", "b.txt", "c.txt", "d.txt", "sub\\e.txt"})
        EXPECT_TRUE(Exists(Path(kept))) << kept;
}

TEST_F(LogTest, ALogThatIsADirectoryOrMissingAppliesNothing)
{
    Files({"log.dir\\a.txt", "a.txt"});
    EXPECT_EQ(ProcessInstallLog(Path("log.dir").c_str()), nullptr);
    EXPECT_EQ(ProcessInstallLog(Path("missing.log").c_str()), nullptr);
    EXPECT_TRUE(Exists(Path("log.dir\\a.txt")));
    EXPECT_TRUE(Exists(Path("a.txt")));
}

TEST_F(LogTest, TheUninstallersOwnPathsAreDeferredButLinksAreNot)
{
    Files({"app\\bin\\uninst.exe", "app\\bin\\readme.txt", "app\\data.txt"});
    SetOwnPath(Path("app\\bin\\uninst.exe"));
    std::string log = "file:" + Path("app\\bin\\uninst.exe") + "\r\n" +
                      "FILE:" + Path("APP\\bin\\readme.txt") + "\r\n" +
                      "dirw:" + Path("app") + "\r\n" +
                      "dir:" + Path("app\\bin") + "\r\n" +
                      "link:" + Path("app\\bin\\uninst.exe") + "\r\n";
    EXPECT_EQ(Process(log), nullptr);

    // "dirw:" on the directory above the uninstaller sets it aside whole.
    EXPECT_TRUE(Exists(Path("app\\data.txt")));
    EXPECT_FALSE(Exists(Path("app\\bin\\readme.txt")));
    // "link:" deletes at once: here the file is not running, so it goes.
    EXPECT_FALSE(Exists(Path("app\\bin\\uninst.exe")));
    EXPECT_EQ(DeferredListText(), "\"" + Path("app\\bin\\uninst.exe") + "\" \"" + Path("app") +
                                      "\" \"" + Path("app\\bin") + "\"");
}

// A log far too large to read whole applies nothing, whatever its low 32 bits of size say.
TEST_F(LogTest, AHugeLogAppliesNothing)
{
    Files({"victim.txt"});
    std::string entry = "file:" + Path("victim.txt") + "\r\n";
    for (uint64_t size : {(1ull << 32) + entry.size(), 1ull << 31}) {
        ASSERT_TRUE(WriteSparseFile(Path("huge.log"), entry, size));
        ProcessInstallLog(Path("huge.log").c_str());
        EXPECT_TRUE(Exists(Path("victim.txt"))) << size;
    }
}

TEST_F(LogTest, ATreeArgumentTooLongForThePathBufferIsRefusedWhole)
{
    // A file whose path fills the buffer exactly; the argument runs on past it, so a cut copy
    // would name that file.
    std::string base = Path("");
    std::string victim = base + "\\" + std::string(259 - base.size() - 1, 'v');
    ASSERT_EQ(victim.size(), 259u);
    WriteTextFile(victim, "x");
    std::string argument = victim + "\\more";

    Status status = RemoveTreeEntry(argument.c_str());
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->code, ERROR_FILENAME_EXCED_RANGE);
    EXPECT_TRUE(Exists(victim));
    EXPECT_EQ(Process("dirw:" + argument), nullptr);
    EXPECT_TRUE(Exists(victim));
}

TEST_F(LogTest, RelativeTreeArgumentsAreRefused)
{
    Files({"sub\\keep.txt"});
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(Path("").c_str()));
    for (const char* relative : {"sub", "sub\\", ".\\sub", "C:sub"}) {
        Status status = RemoveTreeEntry(relative);
        ASSERT_NE(status, nullptr) << relative;
        EXPECT_EQ(status->code, ERROR_INVALID_PARAMETER) << relative;
    }
    Process("dirw:sub\r\ndirw:.\r\n");
    // The starting directory may have no drive in the prefix and then cannot be set again.
    if (!SetCurrentDirectoryA(previous))
        SetCurrentDirectoryA("C:\\");
    EXPECT_TRUE(Exists(Path("sub\\keep.txt")));
}

// A drive or share root, however it is spelled, would empty a whole drive or share.
TEST_F(LogTest, RootTreeArgumentsAreRefusedAndLaterEntriesStillApply)
{
    const std::string share = "\\\\server\\share";
    WriteTextFile(share + "\\keep.txt", "x");
    MakeDirectory(share + "\\sub");
    WriteTextFile(share + "\\sub\\keep.txt", "x");
    ASSERT_TRUE(Exists(share + "\\sub\\keep.txt")) << "the share comes from wine-run.sh";

    const char* roots[] = {"C:\\", "C:", "C:\\.", "C:\\Program Files\\..", "c:\\x\\..\\",
                           "\\\\server\\share", "\\\\server\\share\\", "\\\\server\\share\\.",
                           "\\\\server\\share\\sub\\..", "\\\\?\\C:\\windows\\..",
                           "\\\\?\\UNC\\server\\share", "\\\\?\\unc\\server\\share\\.",
                           "\\\\.\\UNC\\server\\share\\", "\\\\?\\Volume{0}\\"};
    std::string log;
    for (const char* root : roots) {
        log += std::string("dirw:") + root + "\r\n";
        Status status = RemoveTreeEntry(root);
        EXPECT_NE(status, nullptr) << root;
        if (!status)
            continue;
        EXPECT_EQ(status->code, ERROR_INVALID_PARAMETER) << root;
        EXPECT_NE(std::string(status->text).find(root), std::string::npos) << status->text;
    }
    Files({"after.txt"});
    Process(log + "file:" + Path("after.txt"));

    EXPECT_TRUE(Exists(share + "\\keep.txt"));
    EXPECT_TRUE(Exists(share + "\\sub\\keep.txt"));
    EXPECT_FALSE(Exists(Path("after.txt")));
    EXPECT_TRUE(Exists("C:\\windows\\system32"));
    RemoveEverything(share + "\\keep.txt");
    RemoveEverything(share + "\\sub");
}
