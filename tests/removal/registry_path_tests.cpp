#include <gtest/gtest.h>

#include <string>

#include "removal/registry_path.h"

static int Root(const std::string& name)
{
    return RootNameIndex(name.data(), name.size());
}

TEST(RegistryPath, RootNamesFullAndShortInAnyCase)
{
    EXPECT_EQ(Root("HKEY_CLASSES_ROOT"), RootClassesRoot);
    EXPECT_EQ(Root("hkcr"), RootClassesRoot);
    EXPECT_EQ(Root("Hkey_Current_User"), RootCurrentUser);
    EXPECT_EQ(Root("HkCu"), RootCurrentUser);
    EXPECT_EQ(Root("hkey_local_machine"), RootLocalMachine);
    EXPECT_EQ(Root("HKLM"), RootLocalMachine);
    EXPECT_EQ(Root("HKEY_USERS"), RootUsers);
    EXPECT_EQ(Root("hku"), RootUsers);
    EXPECT_EQ(Root("HKEY_CURRENT_CONFIG"), RootCurrentConfig);
    EXPECT_EQ(Root("hkcc"), RootCurrentConfig);
}

TEST(RegistryPath, RootNamesOneCharacterOffAreUnknown)
{
    for (const char* name : {"HKLMX", "HKL", "HKEY_USERSX", "HKEY_USER", "HKUX", "HK", "",
                             "HKEY_LOCAL_MACHIN", "HKEY_LOCAL_MACHINEE", "HKCU ", " HKCU"})
        EXPECT_EQ(Root(name), -1) << name;
}

TEST(RegistryPath, SplitCutsAtTheLastBackslashAndRestoreGivesTheTextBack)
{
    std::string original = "HKLM\\Software\\Vantrel\\InstallDir";
    std::string text = original;
    RegistryArgument parts;
    ASSERT_TRUE(SplitRegistryArgument(text.data(), &parts));
    EXPECT_EQ(std::string(parts.root, parts.rootLength), "HKLM");
    EXPECT_STREQ(parts.keyPath, "Software\\Vantrel");
    EXPECT_STREQ(parts.valueName, "InstallDir");
    RestoreRegistryArgument(parts);
    EXPECT_EQ(text, original);
}

TEST(RegistryPath, TrailingBackslashNamesTheKeyItself)
{
    std::string text = "hkey_local_machine\\Software\\Vantrel\\";
    RegistryArgument parts;
    ASSERT_TRUE(SplitRegistryArgument(text.data(), &parts));
    EXPECT_STREQ(parts.keyPath, "Software\\Vantrel");
    EXPECT_STREQ(parts.valueName, "");
}

TEST(RegistryPath, FewerThanTwoBackslashesDoNothing)
{
    for (std::string text : {"HKLM\\Software", "HKLM", "", "\\"}) {
        std::string before = text;
        RegistryArgument parts;
        EXPECT_FALSE(SplitRegistryArgument(text.data(), &parts)) << before;
        EXPECT_EQ(text, before);
    }
    std::string twoOnly = "\\\\";
    RegistryArgument parts;
    ASSERT_TRUE(SplitRegistryArgument(twoOnly.data(), &parts));
    EXPECT_EQ(parts.rootLength, 0u);
    EXPECT_STREQ(parts.keyPath, "");
    EXPECT_STREQ(parts.valueName, "");
}
