// "key:" entries on the real (Wine) registry: how the argument names a key and a value. What
// goes and stays (a value alone, a key only without subkeys, a missing value counted as absent)
// is shown by the log tests and the scenarios.

#include "removal/registry_entry.h"
#include "tests/support/test_support.h"

static Status Remove(std::string argument)
{
    const std::string before = argument;
    Status status = RemoveRegistryEntry(&argument[0]);
    EXPECT_EQ(argument, before) << "the text is given back unchanged";
    return status;
}

// The key path runs from the first backslash to the last, however many lie between; a name
// that is no root, or fewer than two backslashes, names nothing, says so, and leaves everything
// as it is.
TEST(RegistryEntry, TheKeyPathRunsFromTheFirstBackslashToTheLast)
{
    ScratchKey key;
    const std::string k = key.path;
    for (const std::string level : {"", "\\A", "\\A\\B", "\\A\\B\\C"})
        SetValue(HKEY_CURRENT_USER, k + level, "v");
    SetValue(HKEY_CURRENT_USER, k + "\\A", "B\\C\\v");  // what a cut at an earlier one would take
    SetValue(HKEY_CURRENT_USER, "UninstallTestsLone", "");
    EXPECT_EQ(Remove("HKCU\\" + k + "\\A\\B\\C\\v"), nullptr);
    for (const std::string& refused : {"HKCUX\\" + k + "\\v", "HKEY_CURRENT_USERS\\" + k + "\\",
                                      "\\" + k + "\\v", "HKCU\\\\" + k + "\\v", std::string("\\\\\\\\\\"),
                                      std::string("HKCU\\UninstallTestsLone"), std::string("HKCUUninstallTestsLone\\")}) {
        Status status = Remove(refused);
        EXPECT_TRUE(status && (refused.find("Lone") == std::string::npos || status->code == ERROR_INVALID_PARAMETER)) << refused;
    }
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, k + "\\A\\B\\C", "v"));
    for (const std::string level : {"", "\\A", "\\A\\B"})
        EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, k + level, "v")) << level;
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, k + "\\A", "B\\C\\v"));
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, "UninstallTestsLone", ""));
    RegDeleteKeyA(HKEY_CURRENT_USER, "UninstallTestsLone");
}

// Each root name, full or short, in any letter case, reaches its own predefined key.
TEST(RegistryEntry, EveryRootNameReachesItsOwnRoot)
{
    const struct { HKEY root; const char *full, *shortName, *key; } roots[] = {
        {HKEY_CLASSES_ROOT, "hKeY_ClAsSeS_RoOt", "hKcR", "UninstallTests.root"},
        {HKEY_CURRENT_USER, "HkEy_cUrReNt_uSeR", "HkCu", "Software\\UninstallTests\\root"},
        {HKEY_LOCAL_MACHINE, "hkey_local_machine", "HKLM", "Software\\UninstallTests\\root"},
        {HKEY_USERS, "HKEY_USERS", "hku", ".DEFAULT\\Software\\UninstallTests\\root"},
        {HKEY_CURRENT_CONFIG, "Hkey_Current_Config", "hkcC", "Software\\UninstallTests\\root"},
    };
    for (const auto& root : roots) {
        for (const char* name : {"full", "short", "other"})
            SetValue(root.root, root.key, name);
        EXPECT_EQ(Remove(std::string(root.full) + "\\" + root.key + "\\full"), nullptr);
        EXPECT_EQ(Remove(std::string(root.shortName) + "\\" + root.key + "\\short"), nullptr);
        EXPECT_FALSE(ValueExists(root.root, root.key, "full") ||
                     ValueExists(root.root, root.key, "short")) << root.full;
        EXPECT_TRUE(ValueExists(root.root, root.key, "other")) << root.full;
        RegDeleteKeyA(root.root, root.key);
    }
}
