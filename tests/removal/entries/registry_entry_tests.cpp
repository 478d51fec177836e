// "key:" entries on the real (Wine) registry: how the argument names a key and a value. What
// goes and stays (a value alone, a key only without subkeys, a missing value counted as absent)
// is shown by the log tests and the scenarios.

#include "removal/entries/registry_entry.h"
#include "tests/support/test_support.h"

static Status Remove(std::string argument)
{
    const std::string before = argument;
    Status status = RemoveRegistryEntry(&argument[0]);
    EXPECT_EQ(argument, before) << "the text is given back unchanged";
    return status;
}

// A scratch key with a value "v" at every level, and one named as a cut at an earlier backslash
// would read the deepest value's argument.
struct RegistryEntryLevels : testing::Test {
    void SetUp() override
    {
        for (const std::string level : {"", "\\A", "\\A\\B", "\\A\\B\\C"})
            SetValue(HKEY_CURRENT_USER, k + level, "v");
        SetValue(HKEY_CURRENT_USER, k + "\\A", "B\\C\\v");
    }
    bool Stays(const std::string& level, const char* name = "v") const
    {
        return ValueExists(HKEY_CURRENT_USER, k + level, name);
    }
    bool AboveTheDeepestStay() const
    {
        return Stays("") && Stays("\\A") && Stays("\\A\\B") && Stays("\\A", "B\\C\\v");
    }
    ScratchKey key;
    const std::string k = key.path;
};

// However many backslashes lie between.
TEST_F(RegistryEntryLevels, TheKeyPathRunsFromTheFirstBackslashToTheLast)
{
    EXPECT_EQ(Remove("HKCU\\" + k + "\\A\\B\\C\\v"), nullptr);
    EXPECT_FALSE(Stays("\\A\\B\\C"));
    EXPECT_TRUE(AboveTheDeepestStay());
}

// A name that is no root, or fewer than two backslashes (an invalid parameter then), names
// nothing: the entry fails and everything stays.
TEST_F(RegistryEntryLevels, AnArgumentWithoutARootOrAKeyPathIsRefusedAndChangesNothing)
{
    SetValue(HKEY_CURRENT_USER, "UninstallTestsLone", "");
    for (const std::string& refused :
         {"HKCUX\\" + k + "\\A\\B\\C\\v", "HKEY_CURRENT_USERS\\" + k + "\\", "\\" + k + "\\v",
          "HKCU\\\\" + k + "\\v", std::string("\\\\\\\\\\")})
        EXPECT_NE(Remove(refused), nullptr) << refused;
    for (const char* lone : {"HKCU\\UninstallTestsLone", "HKCUUninstallTestsLone\\"})
        EXPECT_TRUE(Remove(lone) && TheErrorRecord.code == ERROR_INVALID_PARAMETER) << lone;
    EXPECT_TRUE(Stays("\\A\\B\\C") && AboveTheDeepestStay());
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
