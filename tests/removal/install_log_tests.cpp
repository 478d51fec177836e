// The install log applied to real files and keys, hostile logs included.
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <cstring>

#include "removal/install_log.h"
#include "removal/results/outcome.h"
#include "removal/running/running_programs.h"
#include "tests/support/test_support.h"

// The log's own entries follow a hundred thousand of files already gone: applied to the last, in
// linear time.
TEST(InstallLog, EveryTagAndEverySeparatorAppliesToTheLastEntryAndAnythingElseIsIgnored)
{
    Scratch s;
    auto at = [&](const char* name) { return s.Path(name); };
    for (const char* name : {"a", "b", "c", "d", "e", "f", "g", "t\\x\\y", "bom", "blank", "colon",
                             "tab", "full\\kept"})
        PutFile(at(name));
    for (const char* name : {"a", "f", "t\\x\\y"})  // read-only files are made writable first
        SetFileAttributesA(at(name).c_str(),
                           FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    MakeDirectory(at("empty"));
    ScratchKey key;
    SetValue(HKEY_CURRENT_USER, key.path, "v");
    std::string log;
    for (int i = 0; i < 100000; ++i)
        log += "file:" + at("gone") + std::to_string(i) + (i % 3 ? "\r\n" : "\n");
    log += "FILE:" + at("a") + "\r\nfile:" + at("b") + "\nFile:" + at("c") + "\rfIlE:" +
           at("d") + "\tDIR:" + at("empty") + '\0' + "DirW:" + at("t") + "\x01Key:HKCU\\" +
           key.path + "\\v\x1fLINK:" + at("f") + "\x1b" "f\xC9LE:" + at("g") +
           "\r\n\xEF\xBB\xBF" "file:" + at("bom") + "\r\n file:" + at("blank") +
           "\r\nfile: " + at("colon") + "\r\nfile:" + at("ta") + "\tb\r\ndir:" +
           at("full") + "\r\nfile:" + at("e");  // no line end after the last entry
    const DWORD start = GetTickCount();
    EXPECT_EQ(ProcessLog(s, log), nullptr);
    EXPECT_LT(GetTickCount() - start, 60000u);
    for (const char* gone : {"a", "b", "c", "d", "e", "f", "empty", "t"})
        EXPECT_FALSE(Exists(at(gone))) << gone;
    for (const char* kept : {"g", "bom", "blank", "colon", "tab", "full\\kept", "install.log"})
        EXPECT_TRUE(Exists(at(kept))) << kept;
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, key.path, "v"));
}

TEST(InstallLog, TheUninstallersOwnPathsAreDeferredButLinksAreNot)
{
    Scratch s;
    const std::string own = s.Path("app\\bin\\uninst.exe"), app = s.Path("app");
    for (const std::string& path : {own, app + "\\bin\\readme", app + "\\data"})
        PutFile(path);
    SetOwnPath(own);
    ProcessLog(s, "file:" + own + "\nFILE:" + s.Path("APP\\bin\\readme") + "\ndirw:" + app +
                      "\ndir:" + app + "\\bin\ndir:" + app + "\\.\\bin\nlink:" + own);
    EXPECT_FALSE(Exists(app + "\\data"))
        << "\"dirw:\" above the uninstaller empties it but for its paths";
    EXPECT_FALSE(Exists(app + "\\bin\\readme") || Exists(own)) << "\"link:\" deletes at once";
    // The folder spelled another way is known by what it is, and deferred by the program's name.
    EXPECT_EQ(DeferredListText(), "\"" + own + "\" \"" + own + "\" \"" + app + "\\bin\" \"" + app +
                                      "\" \"" + app + "\\bin\" \"" + app + "\\bin\"");
    SetOwnPath("");
}

// One log with every outcome: a running program's file deep in a tree is moved aside to the
// restart, keeping all attributes but read-only, and the tree goes now; a file held open cannot
// be moved and stays with its folder, since users may change its path (as Wine says of every
// folder). A folder or key that stays only for what the log never named is the user's, listed
// with its first ten names. Each entry that was not simply removed gets a line, a kept one with
// the system's reason.
TEST(InstallLog, EachOutcomeIsCountedAndOnlyARunningProgramsFileGoesAtTheRestart)
{
    Scratch s;
    auto at = [&](const char* name) { return s.Path(name); };
    for (const char* name : {"a", "busy\\held", "tree\\x", "tree\\sub\\deep\\y", "tree\\z\\w"})
        PutFile(at(name));
    for (int i = 0; i < 12; ++i)
        PutFile(at("user\\mine") + std::to_string(i));
    ScratchKey key;
    SetValue(HKEY_CURRENT_USER, key.path, "v");
    SetValue(HKEY_CURRENT_USER, key.path + "\\Sub\\Leaf", "");
    const std::string running = at("tree\\sub\\deep\\held");
    const HANDLE holders[] = {HoldInAnotherProcess(at("busy\\held")),
                              HoldInAnotherProcess(running, true)};
    const DWORD attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
    SetFileAttributesA(running.c_str(), attributes);
    const std::string hkcu = "key:HKCU\\" + key.path;
    TakeRestartSchedule();
    ClearOutcome();
    ProcessLog(s, "file:" + at("a") + "\r\n" + hkcu + "\\v\r\n" +        // removed
                      "file:" + at("missing") + "\r\n" + hkcu + "\\gone\r\n" +  // absent
                      "file:" + at("busy\\held") + "\r\ndir:" + at("busy") +    // kept
                      "\r\ndir:" + at("user") + "\r\n" + hkcu + "\\Sub\\\r\n" +  // yours
                      "dirw:" + at("tree") + "\r\nunknown:" + at("a"));  // at restart, removed
    for (HANDLE holder : holders)
        EndProcess(holder);
    const uint32_t counts[] = {Outcome.removed, Outcome.absent, Outcome.atRestart, Outcome.kept,
                               Outcome.yours, Outcome.entries, Outcome.applied,
                               Outcome.linesLeftOut};
    EXPECT_EQ(std::vector<uint32_t>(counts, counts + 8),
              (std::vector<uint32_t>{2 + 7, 2, 1, 2, 2, 9, 9, 0})) << OutcomeLines();
    const std::vector<std::string> schedule = TakeRestartSchedule();
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    ASSERT_TRUE(schedule.size() == 1 &&
                schedule[0].find(windows + std::string("\\Temp\\Vantrel-")) == 0);
    EXPECT_EQ(GetFileAttributesA(schedule[0].c_str()) & attributes,
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
    RemoveEverything(schedule[0].substr(0, schedule[0].rfind('\\')));
    EXPECT_TRUE(!Exists(at("tree")) && Exists(at("busy\\held")) && Exists(at("user\\mine11")) &&
                ValueExists(HKEY_CURRENT_USER, key.path + "\\Sub\\Leaf", ""));
    const std::string lines = OutcomeLines();
    for (const std::string& line : {"already absent\t" + at("missing") + "\r\n",
                                    "at restart\t" + running + "\r\n",
                                    "kept\t" + at("busy\\held") + "\t",
                                    std::string("(Restart schedule) (32)"),
                                    "kept\t" + at("busy") + "\t",
                                    "your files\t" + at("user") + "\tmine",
                                    std::string("\tand 2 more\r\n"),
                                    "your settings\t" + hkcu.substr(4) + "\\Sub\\\tLeaf\r\n"})
        EXPECT_NE(lines.find(line), std::string::npos) << line << "\n" << lines;
}

// A log held without sharing is reported and not applied; so is one too large to read whole,
// whatever the low 32 bits of its size say.
TEST(InstallLog, ALogThatCannotBeReadWholeAppliesNothing)
{
    Scratch s;
    PutFile(s.Path("victim"));
    const std::string log = s.Path("install.log"), line = "file:" + s.Path("victim") + "\r\n";
    PutFile(log, line);
    HANDLE held = CreateFileA(log.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    Status status = ProcessInstallLog(log.c_str());
    EXPECT_EQ(status ? status->code : 0, ERROR_SHARING_VIOLATION);
    for (LONGLONG size : {(1ll << 32) + static_cast<LONGLONG>(line.size()), 1ll << 31}) {
        LARGE_INTEGER end = {};
        end.QuadPart = size;
        ASSERT_TRUE(SetFilePointerEx(held, end, nullptr, FILE_BEGIN) && SetEndOfFile(held));
        CloseHandle(held);
        EXPECT_NE(ProcessInstallLog(log.c_str()), nullptr) << size;
        held = CreateFileA(log.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    CloseHandle(held);
    EXPECT_TRUE(Exists(s.Path("victim")));
}

// Paths are taken whole up to 259 characters and refused whole beyond, where a cut copy would
// name the 259-character one; "key:" arguments have no such limit. A line that names something
// and runs on for 16 x 65,536 characters names nothing: a system that keeps only the low 16 bits
// of a name's length (Wine does, in its ANSI calls) would act on the shorter name.
TEST(InstallLog, OverlongArgumentsAreRefusedWholeNeverCut)
{
    Scratch s;
    ScratchKey key;
    const std::string directory = s.Path(std::string(60 - s.root.size(), 'd')) + "\\";
    for (const std::string tag : {"file:", "link:", "dir:", "dirw:", "key:"}) {
        const bool isKey = tag == "key:";
        const std::string head = isKey ? "HKCU\\" + key.path + "\\" : directory;
        const std::string name = tag.substr(0, tag.size() - 1);  // distinct for every tag
        auto leaf = [&](size_t length) {
            return name + std::string(length - head.size() - name.size(), 'p');
        };
        auto exists = [&](size_t length) {
            return isKey ? ValueExists(HKEY_CURRENT_USER, key.path, leaf(length))
                         : Exists(head + leaf(length));
        };
        std::string log;
        for (size_t length : {259, 260, 261, 300}) {
            if (isKey)
                SetValue(HKEY_CURRENT_USER, key.path, leaf(length));
            else
                tag == "dir:" ? MakeDirectory(head + leaf(length)) : PutFile(head + leaf(length));
            log += tag + head + leaf(length) +
                   (length == 259 ? std::string(16 * 65536, 'x') : "") + "\r\n";
        }
        ProcessLog(s, log);
        for (size_t length : {259, 260, 261, 300})
            EXPECT_EQ(exists(length), length == 259 || !isKey) << tag << length;
        ProcessLog(s, tag + head + leaf(259));
        EXPECT_FALSE(exists(259)) << tag;
    }
}

// The log lies where anyone who can write the product's folder may change it, and is applied
// with administrator rights. "dirw:" removes a tree only under a full path that is no drive or
// share root however it is spelled, that fits the path buffer whole, and that is none of the
// folders Windows and its users live in; "dir:" spares those folders too, and "key:" the keys
// directly below a root. Each refusal is recorded and counted as kept, nothing in the place is
// touched, and the entries after it (the product's own places below those folders) still apply.
TEST(InstallLog, RootsSystemFoldersAndTopLevelKeysAreRefusedAndLaterEntriesStillApply)
{
    Scratch s;
    char windows[MAX_PATH], system[MAX_PATH], shortName[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, sizeof windows);
    GetSystemDirectoryA(system, sizeof system);
    const std::string profile = getenv("USERPROFILE"), files = getenv("ProgramFiles");
    const std::string data = getenv("ProgramData"), users = profile.substr(0, profile.rfind('\\'));
    const std::string product = files + "\\Vantrel Tests", share = "\\\\server\\share";
    const std::string tooLong = s.Path(std::string(258 - s.root.size(), 'v'));
    GetShortPathNameA(files.c_str(), shortName, sizeof shortName);
    auto upper = [](std::string text) { return CharUpperA(&text[0]), text; };
    ASSERT_NE(upper(shortName), upper(files)) << "no short name to test with";
    const DWORD invalid = ERROR_INVALID_PARAMETER, denied = ERROR_ACCESS_DENIED;
    // folder: what the entry would empty
    const struct { std::string entry, folder; DWORD code; } refused[] = {
        {"dirw:sub", s.Path("sub"), invalid}, {"dirw:.\\sub", s.Path("sub"), invalid},
        {"dirw:C:sub", s.Path("sub"), invalid}, {"dirw:c:\\x\\..\\", "C:", invalid},
        {"dirw:C:\\", "C:", invalid}, {"dirw:C:", "C:", invalid}, {"dirw:C:\\.", "C:", invalid},
        {"dirw:\\\\?\\C:\\windows\\..", "C:", invalid}, {"dirw:\\\\?\\Volume{0}\\", "C:", invalid},
        {"dirw:" + share, share, invalid}, {"dirw:" + share + "\\", share, invalid},
        {"dirw:" + share + "\\sub\\..", share, invalid},
        {"dirw:\\\\?\\unc\\server\\share\\.", share, invalid},
        {"dirw:\\\\.\\UNC\\server\\share\\", share, invalid},
        {"dirw:" + tooLong + "\\more", tooLong, ERROR_FILENAME_EXCED_RANGE},
        {"dirw:" + upper(windows) + "\\", windows, denied},
        {"dirw:" + std::string(system) + "\\..", windows, denied},
        {"dir:" + upper(system), system, denied}, {"dirw:" + files + "\\", files, denied},
        {"dir:" + std::string(shortName), files, denied},
        {"dirw:" + std::string(shortName), files, denied}, {"dirw:" + upper(data), data, denied},
        {"dir:" + users + "\\", users, denied}, {"key:HKCU\\Software\\", "", denied},
        {"dirw:" + upper(profile) + "\\\\", profile, denied},
        {"dirw:" + profile + "\\Desktop", profile + "\\Desktop", denied},
        {"key:hkey_current_user\\UninstallTestsTop\\", "", denied}};
    SetValue(HKEY_CURRENT_USER, "UninstallTestsTop", "");  // a top-level key without subkeys
    SetValue(HKEY_CURRENT_USER, "Software\\Kestova\\Vantrel Tests", "v");
    for (const std::string& path : {s.Path("after"), product + "\\bin\\app.exe"})
        PutFile(path);
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    SetCurrentDirectoryA(s.root.c_str());
    std::string log;
    for (const auto& row : refused) {
        PutFile(row.folder + "\\uninstall-marker.txt");
        TheErrorRecord.code = 0;
        ProcessLog(s, row.entry);
        EXPECT_EQ(TheErrorRecord.code, row.code) << row.entry;
        const char* path = row.entry.c_str() + row.entry.find(':') + 1;
        EXPECT_TRUE(row.code != denied || strstr(TheErrorRecord.text, path)) << row.entry;
        log += row.entry + "\r\n";
    }
    ClearOutcome();
    ProcessLog(s, log + "file:" + s.Path("after") + "\r\ndirw:" + product +
                      "\r\nkey:HKCU\\Software\\Kestova\\Vantrel Tests\\");
    if (!SetCurrentDirectoryA(previous))  // a start in a directory the prefix cannot reach
        SetCurrentDirectoryA("C:\\");
    for (const auto& row : refused)
        EXPECT_TRUE(Exists(row.folder + "\\uninstall-marker.txt")) << row.entry;
    for (const auto& row : refused)
        DeleteFileA((row.folder + "\\uninstall-marker.txt").c_str());
    EXPECT_EQ(Outcome.kept, std::size(refused)) << OutcomeLines();
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, "UninstallTestsTop", ""));
    EXPECT_FALSE(Exists(s.Path("after")) || Exists(product) ||
                 ValueExists(HKEY_CURRENT_USER, "Software\\Kestova\\Vantrel Tests", ""));
    RegDeleteKeyA(HKEY_CURRENT_USER, "UninstallTestsTop");
    RemoveEverything(share + "\\uninstall-marker.txt");
}

// A program of the product's that serves as a service (here the system's Plug and Play service,
// which the service manager knows by its process) is left to the service manager: neither asked
// to close nor ended, even when the administrator asks for that, and reported so.
TEST(RunningPrograms, AServiceIsNeitherAskedNorEnded)
{
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    // The running service is a 64-bit program; a 32-bit one reaches its folder as Sysnative.
    const std::string image = std::string(windows) +
                              (sizeof(void*) == 4 ? "\\Sysnative" : "\\System32") +
                              "\\plugplay.exe";
    ClearOutcome();
    ListRunningProcesses();
    MatchProgramPlace(image.c_str(), false);
    CloseProductPrograms(CloseThenEnd, [] {});
    EXPECT_NE(std::string(OutcomeLines()).find("\\plugplay.exe\ta service\r\n"), std::string::npos)
        << OutcomeLines();
}
