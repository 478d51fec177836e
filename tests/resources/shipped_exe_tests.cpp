// The shipped exe as Windows sees it: a small 32-bit GUI program that imports only system
// libraries and asks for administrator rights. The test run copies it to C:\tests\shipped.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

static const char Shipped[] = "C:\\tests\\shipped\\uninstall.exe";

// Mapped as an image, so that each address in its headers is an offset from its base.
struct ShippedExe : testing::Test {
    void SetUp() override
    {
        mapped = LoadLibraryExA(Shipped, nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(mapped, nullptr);
        base = reinterpret_cast<const char*>(reinterpret_cast<ULONG_PTR>(mapped) & ~ULONG_PTR(3));
        nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(
            base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    }
    void TearDown() override { FreeLibrary(mapped); }
    HMODULE mapped = nullptr;
    const char* base = nullptr;
    const IMAGE_NT_HEADERS32* nt = nullptr;
};

TEST_F(ShippedExe, IsASmall32BitGuiProgramAwareOfTerminalServers)
{
    EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    EXPECT_TRUE(nt->OptionalHeader.DllCharacteristics &
                IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE);
    WIN32_FILE_ATTRIBUTE_DATA file;
    EXPECT_TRUE(GetFileAttributesExA(Shipped, GetFileExInfoStandard, &file) &&
                file.nFileSizeHigh == 0 && file.nFileSizeLow <= 65536u);
}

TEST_F(ShippedExe, ImportsOnlySystemLibrariesAndLoadsNothingLater)
{
    const IMAGE_DATA_DIRECTORY* directory = nt->OptionalHeader.DataDirectory;
    std::set<std::string> imports;
    for (auto d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(
             base + directory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
         d->Name; ++d)
        imports.insert(CharUpperA(std::string(base + d->Name).data()));
    EXPECT_EQ(imports, std::set<std::string>({"ADVAPI32.DLL", "COMCTL32.DLL", "KERNEL32.DLL",
                                              "MSVCRT.DLL", "NTDLL.DLL", "USER32.DLL"}));
    EXPECT_EQ(directory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT].VirtualAddress, 0u);
}

TEST_F(ShippedExe, CarriesItsIconAndAManifestThatAsksForAdministratorRights)
{
    EXPECT_NE(LoadImageA(mapped, "!Uninstall", IMAGE_ICON, 32, 32, 0), nullptr);
    HRSRC manifest = FindResourceA(mapped, MAKEINTRESOURCEA(1), RT_MANIFEST);
    const std::string text(static_cast<const char*>(LockResource(LoadResource(mapped, manifest))),
                           SizeofResource(mapped, manifest));
    for (const char* part : {"processorArchitecture=\"X86\"",
                             "level=\"requireAdministrator\" uiAccess=\"false\""})
        EXPECT_NE(text.find(part), std::string::npos) << part;
}
