// The shipped exe as Windows sees it: a small 32-bit GUI program that imports only system
// libraries and asks for administrator rights. The test run copies it to C:\tests\shipped.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

static const char Shipped[] = "C:\\tests\\shipped\\uninstall.exe";

TEST(ShippedExe, IsASmall32BitGuiProgramThatAsksForAdministratorRights)
{
    // Mapped as an image, so that each address in its headers is an offset from its base.
    HMODULE mapped = LoadLibraryExA(Shipped, nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(mapped, nullptr);
    auto base = reinterpret_cast<const char*>(reinterpret_cast<ULONG_PTR>(mapped) & ~ULONG_PTR(3));
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    const IMAGE_DATA_DIRECTORY* directory = nt->OptionalHeader.DataDirectory;
    std::set<std::string> imports;
    for (auto d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress); d->Name; ++d)
        imports.insert(CharUpperA(std::string(base + d->Name).data()));
    EXPECT_EQ(imports, std::set<std::string>({"ADVAPI32.DLL", "COMCTL32.DLL", "KERNEL32.DLL",
                                              "MSVCRT.DLL", "USER32.DLL"}));
    EXPECT_EQ(directory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT].VirtualAddress, 0u) << "nothing loaded later";
    EXPECT_NE(LoadImageA(mapped, "!Uninstall", IMAGE_ICON, 32, 32, 0), nullptr);
    HRSRC manifest = FindResourceA(mapped, MAKEINTRESOURCEA(1), RT_MANIFEST);
    const std::string text(static_cast<const char*>(LockResource(LoadResource(mapped, manifest))), SizeofResource(mapped, manifest));
    for (const char* part : {"processorArchitecture=\"X86\"", "level=\"requireAdministrator\" uiAccess=\"false\""})
        EXPECT_NE(text.find(part), std::string::npos) << part;
    FreeLibrary(mapped);
    HANDLE file = CreateFileA(Shipped, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_LE(GetFileSize(file, nullptr), 65536u);
    CloseHandle(file);
}
