// Where the program may load DLLs from.

#include "app/dll_search.h"
#include "tests/support/test_support.h"

TEST(DllSearch, ADllPlantedBesideTheProgramIsNotLoaded)
{
    // Any loadable image will do as the plant: a copy of this program, named as a DLL.
    const std::string own = OwnFilePath();
    const std::string planted = own.substr(0, own.rfind('\\') + 1) + "planted.dll";
    ASSERT_TRUE(CopyFileA(own.c_str(), planted.c_str(), FALSE));
    HMODULE before = LoadLibraryA("planted.dll");
    EXPECT_NE(before, nullptr) << "found beside the program before the restriction";
    FreeLibrary(before);
    RestrictDllSearch();
    EXPECT_EQ(LoadLibraryA("planted.dll"), nullptr);
    DeleteFileA(planted.c_str());
}

