#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "removal/registry_entry.h"
#include "tests/support/test_support.h"

// Runs RemoveRegistryEntry on a writable copy and checks that the text comes back unchanged.
static Status Remove(const std::string& argument)
{
    std::string text = argument;
    Status status = RemoveRegistryEntry(&text[0]);
    EXPECT_EQ(text, argument);
    return status;
}

TEST(RegistryEntry, EachRootNameOpensItsOwnPredefinedKey)
{
    const struct {
        const char* full;
        const char* shortName;
        HKEY root;
    } roots[] = {{"hKEY_CLASSES_ROOT", "hkCR", HKEY_CLASSES_ROOT},
                 {"HKEY_current_USER", "Hkcu", HKEY_CURRENT_USER},
                 {"hkey_local_machine", "hKlM", HKEY_LOCAL_MACHINE},
                 {"HKEY_Users", "hkU", HKEY_USERS},
                 {"Hkey_Current_Config", "HKCC", HKEY_CURRENT_CONFIG}};
    for (const auto& root : roots) {
        EXPECT_EQ(ParseRootKey(root.full, strlen(root.full)), root.root) << root.full;
        EXPECT_EQ(ParseRootKey(root.shortName, strlen(root.shortName)), root.root);
    }
    EXPECT_EQ(ParseRootKey("HKCUX", 5), nullptr);
}

TEST(RegistryEntry, DeletesOneValueAndLeavesTheRest)
{
    ScratchKey key;
    for (const char* root : {"HKCU", "hkey_current_user"}) {
        SetStringValue(HKEY_CURRENT_USER, key.path + "\\Sub", "InstallDir", "x");
        SetStringValue(HKEY_CURRENT_USER, key.path + "\\Sub", "Other", "y");
        EXPECT_EQ(Remove(std::string(root) + "\\" + key.path + "\\Sub\\InstallDir"), nullptr);
        EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, key.path + "\\Sub", "InstallDir")) << root;
        EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, key.path + "\\Sub", "Other"));
    }
    // Gone already: a failure, reported with the code of the call.
    Status status = Remove("HKCU\\" + key.path + "\\Sub\\InstallDir");
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->code, ERROR_FILE_NOT_FOUND);
}

TEST(RegistryEntry, DeletesAKeyNamedWithATrailingBackslashUnlessItHasSubkeys)
{
    ScratchKey key;
    SetStringValue(HKEY_CURRENT_USER, key.path + "\\Leaf", "v", "x");
    CreateKey(HKEY_CURRENT_USER, key.path + "\\Parent\\Child");

    EXPECT_EQ(Remove("HKEY_CURRENT_USER\\" + key.path + "\\Leaf\\"), nullptr);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key.path + "\\Leaf"));

    EXPECT_NE(Remove("hkcu\\" + key.path + "\\Parent\\"), nullptr);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key.path + "\\Parent\\Child"));
}

TEST(RegistryEntry, WorksUnderTheLocalMachineRoot)
{
    const std::string path = "Software\\UninstallTests\\m" + std::to_string(GetCurrentProcessId());
    SetStringValue(HKEY_LOCAL_MACHINE, path, "InstallDir", "x");
    ASSERT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, path, "InstallDir"));

    EXPECT_EQ(Remove("HKLM\\" + path + "\\InstallDir"), nullptr);
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, path, "InstallDir"));
    EXPECT_EQ(Remove("hkey_local_machine\\" + path + "\\"), nullptr);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, path));
    DeleteKeyTree(HKEY_LOCAL_MACHINE, path);
}

TEST(RegistryEntry, AnUnknownRootAndTooFewBackslashesFail)
{
    ScratchKey key;
    SetStringValue(HKEY_CURRENT_USER, key.path, "v", "x");
    EXPECT_NE(Remove("HKCUX\\" + key.path + "\\v"), nullptr);
    EXPECT_NE(Remove("HKEY_CURRENT_USERS\\" + key.path + "\\"), nullptr);
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, key.path, "v"));

    // A key right below the root, named with one backslash only, stays: the entry names
    // nothing that can be removed, and says so.
    const std::string lone = "UninstallTestsLone" + std::to_string(GetCurrentProcessId());
    CreateKey(HKEY_CURRENT_USER, lone);
    for (const std::string& text : {"HKCU\\" + lone, "HKCU" + lone + "\\"}) {
        Status status = Remove(text);
        ASSERT_NE(status, nullptr) << text;
        EXPECT_EQ(status->code, ERROR_INVALID_PARAMETER) << text;
    }
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, lone));
    DeleteKeyTree(HKEY_CURRENT_USER, lone);
}
