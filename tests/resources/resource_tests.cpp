// The resources of the shipped exe, read the way Windows reads them: the file loaded as data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "tests/resources/shipped_exe.h"

namespace {

std::string Identify(LPCSTR typeOrName)
{
    if (!IS_INTRESOURCE(typeOrName))
        return typeOrName;
    switch (reinterpret_cast<ULONG_PTR>(typeOrName)) {
    case 3: return "ICON";
    case 5: return "DIALOG";
    case 14: return "GROUP_ICON";
    case 24: return "MANIFEST";
    default: return "#" + std::to_string(reinterpret_cast<ULONG_PTR>(typeOrName));
    }
}

struct Walk {
    std::set<std::string>* found;
    std::string typeAndName;
};

BOOL CALLBACK AddLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR param)
{
    Walk* walk = reinterpret_cast<Walk*>(param);
    walk->found->insert(walk->typeAndName + " " + std::to_string(language));
    return TRUE;
}

BOOL CALLBACK AddName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR param)
{
    Walk walk{reinterpret_cast<Walk*>(param)->found, Identify(type) + " " + Identify(name)};
    EnumResourceLanguagesA(module, type, name, AddLanguage, reinterpret_cast<LONG_PTR>(&walk));
    return TRUE;
}

BOOL CALLBACK AddType(HMODULE module, LPSTR type, LONG_PTR param)
{
    EnumResourceNamesA(module, type, AddName, param);
    return TRUE;
}

std::string Listed(const std::set<std::string>& entries)
{
    std::string text;
    for (const std::string& entry : entries)
        text += "  " + entry + "\n";
    return text;
}

class ShippedResources : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Module = LoadLibraryExA(ShippedExePath, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    static void TearDownTestSuite()
    {
        if (Module)
            FreeLibrary(Module);
        Module = nullptr;
    }
    void SetUp() override
    {
        ASSERT_NE(Module, nullptr) << ShippedExePath << " does not load as a data file, error "
                                   << GetLastError();
    }

    // The resource's bytes in US English, looked up by the mixed-case name that the program
    // itself uses; empty when there is none.
    static Bytes Resource(LPCSTR type, LPCSTR name)
    {
        HRSRC found = FindResourceExA(Module, type, name, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
        HGLOBAL loaded = found ? LoadResource(Module, found) : nullptr;
        const uint8_t* data = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
        return data ? Bytes(data, data + SizeofResource(Module, found)) : Bytes();
    }

    static HMODULE Module;
};

HMODULE ShippedResources::Module;

TEST_F(ShippedResources, AreExactlyTheFourDialogsTheIconAndTheManifestAllInUsEnglish)
{
    std::set<std::string> found;
    Walk walk{&found, ""};
    EnumResourceTypesA(Module, AddType, reinterpret_cast<LONG_PTR>(&walk));

    const std::set<std::string> expected = {
        "DIALOG UNINSTALL 1033", "DIALOG PROMPT1 1033",    "DIALOG PROMPT2 1033",
        "DIALOG PROMPT3 1033",   "GROUP_ICON !UNINSTALL 1033", "ICON #1 1033",
        "ICON #2 1033",          "MANIFEST #1 1033",
    };
    EXPECT_EQ(expected, found) << "expected:\n" << Listed(expected) << "found:\n" << Listed(found);
}

TEST_F(ShippedResources, DialogTemplatesMatchTheLayoutTablesByteForByte)
{
    const std::pair<const char*, const char*> names[] = {
        {"Uninstall", "UNINSTALL"}, {"Prompt1", "PROMPT1"},
        {"Prompt2", "PROMPT2"},     {"Prompt3", "PROMPT3"}};
    for (const auto& name : names) {
        Bytes expected = ExpectedDialogTemplate(name.second);
        Bytes actual = Resource(RT_DIALOG, name.first);
        EXPECT_EQ(expected, actual) << name.first << ": " << DescribeDifference(expected, actual);
    }
}

TEST_F(ShippedResources, IconGroupListsTheLargeThenTheSmallSixteenColourImage)
{
    Bytes expected = ExpectedIconDirectory();
    Bytes actual = Resource(RT_GROUP_ICON, "!Uninstall");
    EXPECT_EQ(expected, actual) << DescribeDifference(expected, actual);
}

TEST_F(ShippedResources, EachIconImageIsAFourBitBitmapWithTheStandardPaletteAndAMask)
{
    struct Image {
        WORD id;
        LONG side;
        size_t bytes;
    };
    for (const Image& image : {Image{1, 32, 744}, Image{2, 16, 296}}) {
        SCOPED_TRACE("icon image " + std::to_string(image.id));
        Bytes bits = Resource(RT_ICON, MAKEINTRESOURCEA(image.id));
        ASSERT_EQ(image.bytes, bits.size());

        BITMAPINFOHEADER header;
        memcpy(&header, bits.data(), sizeof header);
        EXPECT_EQ(40u, header.biSize);
        EXPECT_EQ(image.side, header.biWidth);
        EXPECT_EQ(2 * image.side, header.biHeight);  // colour rows and mask rows
        EXPECT_EQ(1, header.biPlanes);
        EXPECT_EQ(4, header.biBitCount);
        EXPECT_EQ(static_cast<DWORD>(BI_RGB), header.biCompression);
        EXPECT_TRUE(header.biClrUsed == 0 || header.biClrUsed == 16) << header.biClrUsed;

        Bytes palette(bits.begin() + 40, bits.begin() + 40 + 64);
        EXPECT_EQ(StandardPalette(), palette) << DescribeDifference(StandardPalette(), palette);

        // Mask rows are one bit per pixel, padded to 32 bits; a set bit is transparent. An
        // icon whose mask hides every pixel shows nothing at all.
        size_t maskBytes = static_cast<size_t>(image.side) * 4;
        Bytes mask(bits.end() - maskBytes, bits.end());
        size_t rowBytes = 4, usedBytes = static_cast<size_t>(image.side) / 8;
        bool somethingOpaque = false;
        for (size_t i = 0; i < mask.size(); ++i)
            somethingOpaque |= i % rowBytes < usedBytes && mask[i] != 0xFF;
        EXPECT_TRUE(somethingOpaque) << "the mask makes the whole image transparent";

        HICON icon = CreateIconFromResourceEx(bits.data(), static_cast<DWORD>(bits.size()), TRUE,
                                              0x00030000, image.side, image.side, LR_DEFAULTCOLOR);
        EXPECT_NE(nullptr, icon) << "the system does not take it for an icon image";
        if (icon)
            DestroyIcon(icon);
    }
}

// The manifest with the blanks and line breaks between its tags taken out.
std::string WithoutLayout(const std::string& text)
{
    std::string out;
    size_t at = 0;
    while (at < text.size()) {
        size_t open = text.find('<', at);
        std::string between = text.substr(at, open == std::string::npos ? open : open - at);
        if (between.find_first_not_of(" \t\r\n") != std::string::npos)
            out += between;
        if (open == std::string::npos)
            break;
        size_t close = text.find('>', open);
        out += text.substr(open, close == std::string::npos ? close : close - open + 1);
        at = close == std::string::npos ? text.size() : close + 1;
    }
    return out;
}

TEST_F(ShippedResources, ManifestRequestsAdministratorRightsAndHoldsNothingElse)
{
    Bytes bytes = Resource(RT_MANIFEST, MAKEINTRESOURCEA(1));
    std::string text(bytes.begin(), bytes.end());
    ASSERT_FALSE(text.empty()) << "no manifest 1 in US English";
    // No XML declaration, no dependency (classic controls), no compatibility section.
    const std::string expected =
        "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">"
        "<assemblyIdentity version=\"1.0.0.0\" processorArchitecture=\"X86\" "
        "name=\"Uninstall\" type=\"win32\"/>"
        "<description>Uninstall Vantrel</description>"
        "<trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v2\"><security><requestedPrivileges>"
        "<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>"
        "</requestedPrivileges></security></trustInfo>"
        "</assembly>";
    EXPECT_EQ(expected, WithoutLayout(text)) << text;
}

}  // namespace
