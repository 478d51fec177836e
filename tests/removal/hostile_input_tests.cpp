// Hostile input under Wine: logs, paths, registry arguments and deferred lists made to push the
// engine past its buffers, or to make it act on something other than what it was given. Every
// case checks what is still there afterwards.
// Started with "-u" this program is its own self-remover's helper; started with "--keep-running"
// it is a program that runs from inside a tree.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "removal/deferred_list.h"
#include "removal/helper_command_line.h"
#include "removal/install_log.h"
#include "removal/outcome.h"
#include "removal/self_remover.h"
#include "tests/support/argument_split.h"
#include "tests/support/test_support.h"

namespace {

std::string ReadWholeText(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "";
    std::string text(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, &text[0], static_cast<DWORD>(text.size()), &read, nullptr);
    CloseHandle(file);
    return text.substr(0, read);
}

// Letters alternately upper and lower case: "hKeY_CuRrEnT_UsEr".
std::string MixedCase(const std::string& name)
{
    std::string mixed = name;
    for (size_t i = 0; i < mixed.size(); ++i)
        mixed[i] = static_cast<char>(i % 2 ? toupper(mixed[i]) : tolower(mixed[i]));
    return mixed;
}

// A copy of this program, started from `path`, that runs until the test ends.
struct RunningProgram {
    explicit RunningProgram(const std::string& path)
    {
        CopyFileA(OwnFilePath().c_str(), path.c_str(), FALSE);
        std::string line = "\"" + path + "\" --keep-running";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &process))
            process = {};
    }
    ~RunningProgram()
    {
        if (!process.hProcess)
            return;
        TerminateProcess(process.hProcess, 0);
        WaitForSingleObject(process.hProcess, 10000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    bool Running() const
    {
        return process.hProcess && WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT;
    }
    PROCESS_INFORMATION process = {};
};

struct Hostile : LogTest {
    // Adds files to `directory` until the file system lists one after `name`, so that a walk
    // that went on past `name` would show; returns the names in the order listed.
    std::vector<std::string> SomethingListedAfter(const std::string& directory,
                                                  const std::string& name)
    {
        std::vector<std::string> order = ListDirectory(directory);
        for (int i = 0; i < 100 && (order.empty() || order.back() == name); ++i) {
            WriteTextFile(directory + "\\~after" + std::to_string(i), "x");
            order = ListDirectory(directory);
        }
        EXPECT_TRUE(!order.empty() && order.back() != name);
        return order;
    }
};

}  // namespace

// --- The log itself ---------------------------------------------------------------------------

TEST_F(Hostile, ALogHeldWithoutSharingIsNeitherAppliedNorLost)
{
    Files({"a.txt", "sub\\b.txt"});
    const std::string log = Path("held.log");
    const std::string text = "file:" + Path("a.txt") + "\r\ndirw:" + Path("sub") + "\r\n";
    WriteTextFile(log, text);

    // As a program that is still writing the log would hold it.
    HANDLE holder = CreateFileA(log.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    Status status = ProcessInstallLog(log.c_str());
    int code = status ? status->code : 0;
    CloseHandle(holder);

    EXPECT_EQ(code, ERROR_SHARING_VIOLATION) << "the failure to read is reported";
    EXPECT_TRUE(Exists(Path("a.txt")));
    EXPECT_TRUE(Exists(Path("sub\\b.txt")));
    EXPECT_EQ(ReadWholeText(log), text);
    // Released, the same log applies whole.
    EXPECT_EQ(ProcessInstallLog(log.c_str()), nullptr);
    EXPECT_FALSE(Exists(Path("a.txt")));
    EXPECT_FALSE(Exists(Path("sub")));
}

// Each line names something that exists, followed by exactly 16 x 65,536 more characters: a
// system that kept only the low 16 bits of a name's length (Wine does, in its ANSI calls) would
// act on the shorter name.
TEST_F(Hostile, LinesOfAMebibyteActOnNothingTheyStartWith)
{
    const std::string filler(16 * 65536, 'x');
    Files({"victim.txt", "victim.lnk", "tree\\inside.txt"});
    MakeDirectory(Path("empty"));
    ScratchKey key;
    SetStringValue(HKEY_CURRENT_USER, key.path, "v", "x");
    SetStringValue(HKEY_CURRENT_USER, key.path, "w", "x");
    CreateKey(HKEY_CURRENT_USER, key.path + "\\leaf");
    Files({"after.txt"});

    std::string log = "file:" + Path("victim.txt") + filler + "\r\n" +
                      "link:" + Path("victim.lnk") + filler + "\r\n" +
                      "dir:" + Path("empty") + filler + "\r\n" +
                      "dirw:" + Path("tree") + filler + "\r\n" +
                      "key:HKCU\\" + key.path + filler + "\\v\r\n" +         // the key path
                      "key:HKCU\\" + key.path + "\\w" + filler + "\r\n" +    // the value name
                      "key:HKCU\\" + key.path + "\\leaf" + filler + "\\\r\n" +
                      "file:" + Path("after.txt");
    EXPECT_EQ(Process(log), nullptr);

    for (const char* kept : {"victim.txt", "victim.lnk", "empty", "tree\\inside.txt"})
        EXPECT_TRUE(Exists(Path(kept))) << kept;
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, key.path, "v"));
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, key.path, "w"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key.path + "\\leaf"));
    EXPECT_FALSE(Exists(Path("after.txt"))) << "the walk goes on after the long lines";
}

// Paths are taken whole up to 259 characters, the most that a path buffer holds, and refused
// whole beyond: a cut copy would name the 259-character entry. Registry arguments have no such
// limit and are taken whole at any of these lengths.
TEST_F(Hostile, ArgumentsOf259To300CharactersAreTakenWholeOrRefusedWhole)
{
    const size_t lengths[] = {259, 260, 261, 300};
    for (const std::string tag : {"file:", "link:", "dir:", "dirw:", "key:"}) {
        ScratchDirectory place;
        ScratchKey key;
        const bool isKey = tag == "key:";
        // A directory whose path leaves each name within 255 characters.
        const std::string directory = place.Path(std::string(60 - place.Path().size(), 'd'));
        MakeDirectory(directory);
        const std::string head = isKey ? "HKCU\\" + key.path + "\\" : directory + "\\";
        auto argument = [&](size_t length) { return head + std::string(length - head.size(), 'p'); };
        auto name = [&](size_t length) { return std::string(length - head.size(), 'p'); };
        auto exists = [&](size_t length) {
            return isKey ? ValueExists(HKEY_CURRENT_USER, key.path, name(length))
                         : Exists(argument(length));
        };
        for (size_t length : lengths) {
            if (isKey)
                SetStringValue(HKEY_CURRENT_USER, key.path, name(length), "x");
            else if (tag == "dir:")
                MakeDirectory(argument(length));
            else
                WriteTextFile(argument(length), "x");
            ASSERT_TRUE(exists(length)) << tag << length;
        }

        Process(tag + argument(260) + "\r\n" + tag + argument(261) + "\r\n" + tag + argument(300));
        for (size_t length : lengths)
            EXPECT_EQ(exists(length), length == 259 || !isKey) << tag << length;
        Process(tag + argument(259));
        EXPECT_FALSE(exists(259)) << tag;
    }
}

TEST_F(Hostile, AHundredThousandEntriesAreAppliedToTheLast)
{
    const std::string own = Path("app\\bin\\uninst.exe");
    SetOwnPath(own);
    ScratchKey key;
    SetStringValue(HKEY_CURRENT_USER, key.path, "keep", "x");
    Files({"keep.txt"});
    std::string log;
    std::vector<std::string> files, values, deferred;
    for (int i = 0; i < 100000; ++i) {
        std::string number = std::to_string(i);
        if (i % 1000 == 999) {  // the last entry among them, and many past 65,535
            files.push_back(Path("f" + number + ".txt"));
            WriteTextFile(files.back(), "x");
            log += "file:" + files.back();
        } else if (i % 1000 == 500) {
            values.push_back("v" + number);
            SetStringValue(HKEY_CURRENT_USER, key.path, values.back(), "x");
            log += "key:HKCU\\" + key.path + "\\" + values.back();
        } else if (i % 4 == 0) {
            deferred.push_back(own.substr(0, own.size() - i % 17));
            log += "dir:" + deferred.back();
        } else {
            log += "file:" + Path("missing" + number + ".txt");
        }
        log += i % 3 ? "\r\n" : "\n";
    }
    log.resize(log.size() - 1);  // no line end after the last entry

    DWORD start = GetTickCount();
    EXPECT_EQ(Process(log), nullptr);
    DWORD took = GetTickCount() - start;
    EXPECT_LT(took, 60000u) << "ms for 100,000 entries";

    for (const std::string& file : files)
        EXPECT_FALSE(Exists(file)) << file;
    for (const std::string& value : values)
        EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, key.path, value)) << value;
    EXPECT_TRUE(Exists(Path("keep.txt")));
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, key.path, "keep"));
    EXPECT_EQ(SplitArguments(DeferredListText()), deferred);
}

// --- Trees ------------------------------------------------------------------------------------

// Windows answers access denied for a running program that is not read-only: it goes at the
// restart, and the walk goes on.
TEST_F(Hostile, ARunningProgramInsideATreeGoesAtRestartAndTheRestNow)
{
    Files({"tree\\a.txt", "tree\\b.txt", "tree\\c.txt", "tree\\d.txt", "tree\\e.txt"});
    RunningProgram program(Path("tree\\running.exe"));
    ASSERT_TRUE(WaitUntil([&] { return program.Running(); }, 10));
    SomethingListedAfter(Path("tree"), "running.exe");

    ClearOutcome();
    EXPECT_EQ(RemoveTreeEntry(Path("tree").c_str()), nullptr);
    EXPECT_EQ(ListDirectory(Path("tree")), std::vector<std::string>{"running.exe"});
    EXPECT_EQ(Outcome.atRestart, 2u) << "the program, then its directory";
    EXPECT_EQ(Outcome.kept, 0u);
    EXPECT_TRUE(program.Running());
}

// A name of 255 characters fits a path buffer only right below a drive's root.
TEST_F(Hostile, NamesOf255Characters)
{
    auto atRoot = [](char letter) {
        std::string name = std::to_string(GetCurrentProcessId()) + "-";
        return "C:\\" + name + std::string(255 - name.size(), letter);
    };
    const std::string file = atRoot('f'), plain = atRoot('p'), directory = atRoot('d');
    WriteTextFile(file, "x");
    WriteTextFile(plain, "x");
    MakeDirectory(directory);
    WriteTextFile(directory + "\\x", "x");
    Process("file:" + file + "\r\ndirw:" + plain + "\r\ndirw:" + directory);
    EXPECT_FALSE(Exists(file));
    EXPECT_FALSE(Exists(plain)) << "\"dirw:\" on a plain file deletes it";
    // Its search path, the directory and "\*.*", outgrows the buffer: nothing of it goes.
    EXPECT_TRUE(Exists(directory + "\\x"));
    for (const std::string& made : {file, plain, directory})
        RemoveEverything(made);

    // Deeper down, such a name no longer fits: that entry stays, the rest goes.
    const std::string longName(255, 'n');
    Files({"tree\\a.txt", "tree\\" + longName, "tree\\z.txt"});
    SomethingListedAfter(Path("tree"), longName);
    ClearOutcome();
    EXPECT_EQ(RemoveTreeEntry(Path("tree").c_str()), nullptr);
    EXPECT_EQ(ListDirectory(Path("tree")), std::vector<std::string>{longName});
    EXPECT_EQ(Outcome.kept, 2u) << "the entry, then the tree";
}

// --- Registry arguments -----------------------------------------------------------------------

// Every root, by its full and its short name in mixed case; the same names one character longer
// or shorter name no root, and what they point to stays.
TEST_F(Hostile, EveryRootNameInMixedCaseAndNoNameOneCharacterOff)
{
    const struct {
        HKEY root;
        std::string full, shortName, key;
    } roots[] = {
        {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "HKCR", "UninstallTests.root"},
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "HKCU", "Software\\UninstallTests\\root"},
        {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "HKLM", "Software\\UninstallTests\\root"},
        {HKEY_USERS, "HKEY_USERS", "HKU", ".DEFAULT\\Software\\UninstallTests\\root"},
        {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG", "HKCC", "Software\\UninstallTests\\root"},
    };
    std::string log;
    for (const auto& root : roots) {
        const std::string key = root.key + std::to_string(GetCurrentProcessId());
        const struct {
            std::string name, value;
        } spellings[] = {
            {MixedCase(root.full), "full"},
            {MixedCase(root.shortName), "short"},
            {root.full + root.full.back(), "full+1"},
            {root.full.substr(0, root.full.size() - 1), "full-1"},
            {root.shortName + root.shortName.back(), "short+1"},
            {root.shortName.substr(0, root.shortName.size() - 1), "short-1"},
        };
        for (const auto& spelling : spellings) {
            SetStringValue(root.root, key, spelling.value, "x");
            log += "key:" + spelling.name + "\\" + key + "\\" + spelling.value + "\r\n";
        }
    }
    EXPECT_EQ(Process(log), nullptr);

    for (const auto& root : roots) {
        const std::string key = root.key + std::to_string(GetCurrentProcessId());
        EXPECT_FALSE(ValueExists(root.root, key, "full")) << root.full;
        EXPECT_FALSE(ValueExists(root.root, key, "short")) << root.shortName;
        for (const char* kept : {"full+1", "full-1", "short+1", "short-1"})
            EXPECT_TRUE(ValueExists(root.root, key, kept)) << root.full << " " << kept;
        DeleteKeyTree(root.root, key);
    }
}

// The key path runs from the first backslash to the last, however many lie between.
TEST_F(Hostile, KeyArgumentsWithManyBackslashes)
{
    ScratchKey scratchKey;
    const std::string k = scratchKey.path;
    for (const std::string level : {"", "\\A", "\\A\\B", "\\A\\B\\C", "\\A\\B\\C\\D"}) {
        SetStringValue(HKEY_CURRENT_USER, k + level, "v", "x");
        SetStringValue(HKEY_CURRENT_USER, k + level, "w", "x");
    }
    // Named with backslashes: what a cut at an earlier backslash would take for the value.
    SetStringValue(HKEY_CURRENT_USER, k + "\\A", "B\\C\\D\\v", "x");
    CreateKey(HKEY_CURRENT_USER, k + "\\A\\B\\C\\D\\E");

    Process("key:HKCU\\" + k + "\\A\\B\\C\\D\\v\r\n" +   // many
            "key:HKCU\\" + k + "\\A\\B\\C\\D\\E\\\r\n" +  // many, ending in one
            "key:HKCU\\\\" + k + "\\w\r\n" +              // a key path that starts with one
            "key:\\" + k + "\\w\r\n" +                    // an empty root name
            "key:\\\\\\\\\\\r\n");                         // nothing but backslashes

    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, k + "\\A\\B\\C\\D", "v"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, k + "\\A\\B\\C\\D\\E"));
    for (const std::string level : {"", "\\A", "\\A\\B", "\\A\\B\\C"})
        EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, k + level, "v")) << level;
    for (const std::string level : {"", "\\A", "\\A\\B", "\\A\\B\\C", "\\A\\B\\C\\D"})
        EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, k + level, "w")) << level;
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, k + "\\A", "B\\C\\D\\v"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, k));
}

// --- The self-remover -------------------------------------------------------------------------

// The uninstaller's own path is 259 characters long, and every path on the way to it is a file:
// those of even length are deferred (three times each, to outgrow the longest command line), the
// odd ones are not. A copy that got a path cut short would remove an odd one; a copy that got
// fewer paths than fit would leave an even one too many.
TEST_F(Hostile, MorePathsThanOneCommandLineHoldsAreLeftOutWhole)
{
    const std::string directory = Path("");
    const std::string own = directory + "\\" + std::string(258 - directory.size(), 'n');
    SetOwnPath(own);
    std::vector<std::string> paths;
    for (size_t length = directory.size() + 2; length <= own.size(); ++length) {
        WriteTextFile(own.substr(0, length), "x");
        if (length % 2 == 0)
            for (int copy = 0; copy < 3; ++copy) {
                paths.push_back(own.substr(0, length));
                ASSERT_EQ(DeferIfOwnPath(paths.back().c_str()), 1);
            }
    }

    // Place the copy so that a command line cut after 779 or 32,766 characters (buffers of 780
    // and 32,767) would end inside a path, leaving one of odd length.
    auto quoted = [](const std::string& text) { return "\"" + text + "\""; };
    auto cutArgumentIsOdd = [&](const std::string& line, size_t length) {
        std::string cut = line.substr(0, length);
        bool insidePath = std::count(cut.begin(), cut.end(), '"') % 2 == 1;
        size_t cutLength = SplitArguments(cut).back().size();
        return insidePath && cutLength % 2 == 1 && cutLength > directory.size() + 1;
    };
    std::string temporary, line;
    for (size_t padding = 0; padding < 150; ++padding) {
        temporary = Path("t" + std::string(padding, 't') + "\\");
        line = quoted(temporary + HelperFileName) + " -u";
        for (const std::string& path : paths)
            line += " " + quoted(path);
        if (cutArgumentIsOdd(line, 779) && cutArgumentIsOdd(line, 32766))
            break;
    }
    ASSERT_TRUE(cutArgumentIsOdd(line, 779) && cutArgumentIsOdd(line, 32766));
    ASSERT_GT(line.size(), 32766u);
    MakeDirectory(temporary);

    TemporaryDirectoryOverride inTemporary(temporary);
    strcpy(OwnPath, OwnFilePath().c_str());  // the file to copy: this program
    LaunchSelfRemover();
    const std::string copy = temporary + HelperFileName;
    ASSERT_TRUE(WaitUntil([&] { return !Exists(copy); }, 60)) << "the helper did not end";

    // What fits the longest command line, whole paths in order, is what the copy removed.
    size_t used = std::string(quoted(temporary + HelperFileName) + " -u").size();
    size_t placed = 0;
    while (placed < paths.size() && used + 3 + paths[placed].size() <= 32766)
        used += 3 + paths[placed++].size();
    ASSERT_LT(placed, paths.size());
    const std::string& lastPlaced = paths.at(placed - 1);
    for (size_t length = directory.size() + 2; length <= own.size(); ++length) {
        bool removed = length % 2 == 0 && length <= lastPlaced.size();
        EXPECT_EQ(Exists(own.substr(0, length)), !removed) << length;
    }
    ClearDeferredList();
}

int main(int argc, char** argv)
{
    if (argc > 1 && IsHelperSwitch(argv[1])) {
        RunHelperMode(argc - 2, argv + 2);
        return 0;
    }
    if (argc > 1 && strcmp(argv[1], "--keep-running") == 0) {
        Sleep(120000);
        return 0;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
