// The shipped exe as Windows sees it: a small 32-bit GUI program that imports only system
// libraries, asks for administrator rights, and declares the Windows it was made for. The test
// run copies it to C:\tests\shipped.
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
                file.nFileSizeHigh == 0 && file.nFileSizeLow <= 80u * 1024);
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

// The manifest as Windows reads it, in an activation context made from it: administrator
// rights; the current common controls, which draw the buttons and the bar in the system's visual
// style; the system's DPI, so that Windows does not stretch the window as a picture; and every
// Windows from Vista to 10 and 11. A misspelled name or namespace would be ignored, not refused.
TEST_F(ShippedExe, CarriesItsIconAndAManifestForTheWindowsItRunsOn)
{
    EXPECT_NE(LoadImageA(mapped, "!Uninstall", IMAGE_ICON, 32, 32, 0), nullptr);
    HRSRC resource = FindResourceA(mapped, MAKEINTRESOURCEA(1), RT_MANIFEST);
    const std::string text(static_cast<const char*>(LockResource(LoadResource(mapped, resource))),
                           SizeofResource(mapped, resource));
    EXPECT_EQ(text.find("processorArchitecture=\"amd64\""), std::string::npos);
    ACTCTXA request = {};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = Shipped;
    request.lpResourceName = MAKEINTRESOURCEA(1);
    HANDLE context = CreateActCtxA(&request);
    ASSERT_NE(context, INVALID_HANDLE_VALUE);

    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION level = {};
    EXPECT_TRUE(QueryActCtxW(0, context, nullptr, RunlevelInformationInActivationContext, &level,
                             sizeof level, nullptr));
    EXPECT_EQ(level.RunLevel, ACTCTX_RUN_LEVEL_REQUIRE_ADMIN);
    EXPECT_EQ(level.UiAccess, 0u);
    wchar_t dpiAware[16] = L"";
    EXPECT_TRUE(QueryActCtxSettingsW(0, context, nullptr, L"dpiAware", dpiAware, 16, nullptr));
    EXPECT_STREQ(dpiAware, L"true");

    // Each supported version is a GUID in an element whose size has grown with Windows.
    static const GUID Versions[] = {
        {0xe2011457, 0x1546, 0x43c5, {0xa5, 0xfe, 0x00, 0x8d, 0xee, 0xe3, 0xd3, 0xf0}},  // Vista
        {0x35138b9a, 0x5d96, 0x4fbd, {0x8e, 0x2d, 0xa2, 0x44, 0x02, 0x25, 0xf9, 0x3a}},  // 7
        {0x4a2f28e3, 0x53b9, 0x4441, {0xba, 0x9c, 0xd6, 0x9d, 0x4a, 0x4a, 0x6e, 0x38}},  // 8
        {0x1f676c76, 0x80e1, 0x4239, {0x95, 0xbb, 0x83, 0xd0, 0xf6, 0xd0, 0xda, 0x78}},  // 8.1
        {0x8e0f7a12, 0xbfb3, 0x4fe8, {0xb9, 0xa5, 0x48, 0xfd, 0x50, 0xa1, 0x5a, 0x9a}},  // 10, 11
    };
    alignas(8) char buffer[4096] = {};
    SIZE_T size = 0;
    ASSERT_TRUE(QueryActCtxW(0, context, nullptr, CompatibilityInformationInActivationContext,
                             buffer, sizeof buffer, &size));
    EXPECT_EQ(reinterpret_cast<DWORD*>(buffer)[0], 5u);
    const std::string compatibility(buffer, size);
    for (const GUID& version : Versions)
        EXPECT_NE(compatibility.find(std::string(reinterpret_cast<const char*>(&version),
                                                 sizeof version)),
                  std::string::npos)
            << std::hex << version.Data1;

    // The first assembly is the program's own; the second, the one it depends on.
    DWORD second = 2;
    ASSERT_TRUE(QueryActCtxW(0, context, &second, AssemblyDetailedInformationInActivationContext,
                             buffer, sizeof buffer, nullptr));
    auto assembly = reinterpret_cast<ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(buffer);
    std::wstring identity = assembly->lpAssemblyEncodedAssemblyIdentity;
    for (const wchar_t* part : {L"Microsoft.Windows.Common-Controls", L"version=\"6.0.",
                                L"publicKeyToken=\"6595b64144ccf1df\"", L"x86"})
        EXPECT_NE(identity.find(part), std::wstring::npos) << identity.c_str();
    ReleaseActCtx(context);
}
