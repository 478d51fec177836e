#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "removal/install_log.h"
#include "tests/support/test_support.h"

static std::string Variable(const char* name)
{
    char value[MAX_PATH];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? value : "";
}

static std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return text;
}

// A log written by someone who can write the product's folder, run with administrator rights.
TEST_F(LogTest, SystemFoldersAndTopLevelKeysAreRefusedAndLaterEntriesStillApply)
{
    char windows[MAX_PATH], system[MAX_PATH], shortName[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, sizeof windows);
    GetSystemDirectoryA(system, sizeof system);
    std::string profile = Variable("USERPROFILE"), programFiles = Variable("ProgramFiles");
    std::string users = profile.substr(0, profile.rfind('\\'));
    GetShortPathNameA(programFiles.c_str(), shortName, sizeof shortName);
    ASSERT_NE(Upper(shortName), Upper(programFiles)) << "no short name to test with";
    CreateKey(HKEY_CURRENT_USER, "UninstallTestsTop");  // directly below the root, no subkeys

    struct Refused {
        std::string entry;
        std::string folder;  // keeps a marker; empty for a key
    };
    const Refused refused[] = {
        {"dirw:" + Upper(windows) + "\\", windows},
        {"dirw:" + std::string(system) + "\\..", windows},
        {"dir:" + Upper(system), system},
        {"dirw:" + programFiles + "\\", programFiles},
        {"dirw:" + std::string(shortName), programFiles},
        {"dirw:" + Upper(Variable("ProgramData")), Variable("ProgramData")},
        {"dir:" + users + "\\", users},
        {"dirw:" + Upper(profile) + "\\\\", profile},
        {"dirw:" + profile + "\\Desktop", profile + "\\Desktop"},
        {"key:HKCU\\Software\\", ""},
        {"key:hkey_current_user\\UninstallTestsTop\\", ""},
    };
    std::string log;
    std::vector<std::string> markers;
    for (const Refused& row : refused) {
        if (!row.folder.empty()) {
            markers.push_back(row.folder + "\\uninstall-marker.txt");
            WriteTextFile(markers.back(), "x");
        }
        TheErrorRecord.code = 0;
        Process(row.entry);
        EXPECT_EQ(TheErrorRecord.code, ERROR_ACCESS_DENIED) << row.entry;
        std::string named = row.entry.substr(row.entry.find(':') + 1);
        EXPECT_NE(std::string(TheErrorRecord.text).find(named), std::string::npos)
            << TheErrorRecord.text;
        log += row.entry + "\r\n";
    }

    // The product's own places below them go as usual.
    std::string product = programFiles + "\\Vantrel";
    MakeDirectory(product + "\\bin");
    WriteTextFile(product + "\\bin\\app.exe", "x");
    MakeDirectory(Path("empty"));
    CreateKey(HKEY_CURRENT_USER, "Software\\Kestova\\Vantrel");
    EXPECT_EQ(Process(log + "dirw:" + product + "\r\ndir:" + Path("empty") +
                      "\r\nkey:HKCU\\Software\\Kestova\\Vantrel\\"),
              nullptr);

    for (const std::string& marker : markers)
        EXPECT_TRUE(Exists(marker)) << marker;
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "UninstallTestsTop"));
    EXPECT_FALSE(Exists(product));
    EXPECT_FALSE(Exists(Path("empty")));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Kestova\\Vantrel"));

    for (const std::string& marker : markers)
        DeleteFileA(marker.c_str());
    DeleteKeyTree(HKEY_CURRENT_USER, "UninstallTestsTop");
    DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Kestova");
}
