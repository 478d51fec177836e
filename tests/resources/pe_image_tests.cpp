// The shipped exe as a file: a small 32-bit GUI program that needs only system libraries.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "tests/resources/shipped_exe.h"

namespace {

std::string Upper(std::string text)
{
    for (char& c : text)
        c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    return text;
}

// A bounds-checked view of a PE32 file's headers; every read past the end yields zeros.
struct PeFile {
    Bytes bytes;
    size_t ntAt = 0;

    template <typename T> T At(size_t offset) const
    {
        T value{};
        if (offset <= bytes.size() && sizeof value <= bytes.size() - offset)
            memcpy(&value, bytes.data() + offset, sizeof value);
        return value;
    }

    IMAGE_FILE_HEADER FileHeader() const { return At<IMAGE_FILE_HEADER>(ntAt + 4); }
    IMAGE_OPTIONAL_HEADER32 OptionalHeader() const
    {
        return At<IMAGE_OPTIONAL_HEADER32>(ntAt + 4 + sizeof(IMAGE_FILE_HEADER));
    }

    // The file offset of a virtual address, through the section that holds it; 0 when none.
    size_t Offset(DWORD rva) const
    {
        IMAGE_FILE_HEADER file = FileHeader();
        size_t sectionsAt = ntAt + 4 + sizeof file + file.SizeOfOptionalHeader;
        for (WORD i = 0; i < file.NumberOfSections; ++i) {
            auto section = At<IMAGE_SECTION_HEADER>(sectionsAt + i * sizeof(IMAGE_SECTION_HEADER));
            DWORD extent = std::max(section.Misc.VirtualSize, section.SizeOfRawData);
            if (rva >= section.VirtualAddress && rva - section.VirtualAddress < extent)
                return section.PointerToRawData + (rva - section.VirtualAddress);
        }
        return 0;
    }

    std::string Text(DWORD rva) const
    {
        std::string text;
        for (size_t at = Offset(rva); at && at < bytes.size() && bytes[at]; ++at)
            text += static_cast<char>(bytes[at]);
        return text;
    }

    // The library names of a table of descriptors (ordinary or delay-load), upper-cased.
    template <typename Descriptor, typename NameOf>
    std::set<std::string> Libraries(int directory, NameOf nameOf) const
    {
        std::set<std::string> names;
        DWORD rva = OptionalHeader().DataDirectory[directory].VirtualAddress;
        size_t at = rva ? Offset(rva) : 0;
        for (; at; at += sizeof(Descriptor)) {
            Descriptor descriptor = At<Descriptor>(at);
            if (nameOf(descriptor) == 0)
                break;
            names.insert(Upper(Text(nameOf(descriptor))));
        }
        return names;
    }
};

PeFile LoadShipped()
{
    PeFile pe;
    pe.bytes = ReadWholeFileBytes(ShippedExePath);
    pe.ntAt = pe.At<IMAGE_DOS_HEADER>(0).e_lfanew;
    return pe;
}

std::string Joined(const std::set<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += " " + name;
    return text;
}

TEST(ShippedExe, IsA32BitI386GuiExecutable)
{
    PeFile pe = LoadShipped();
    ASSERT_FALSE(pe.bytes.empty()) << "cannot read " << ShippedExePath;
    ASSERT_EQ(IMAGE_DOS_SIGNATURE, pe.At<WORD>(0));
    ASSERT_EQ(static_cast<DWORD>(IMAGE_NT_SIGNATURE), pe.At<DWORD>(pe.ntAt));

    IMAGE_FILE_HEADER file = pe.FileHeader();
    EXPECT_EQ(IMAGE_FILE_MACHINE_I386, file.Machine);
    EXPECT_TRUE(file.Characteristics & IMAGE_FILE_EXECUTABLE_IMAGE);
    EXPECT_FALSE(file.Characteristics & IMAGE_FILE_DLL);
    EXPECT_EQ(IMAGE_NT_OPTIONAL_HDR32_MAGIC, pe.OptionalHeader().Magic);
    EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, pe.OptionalHeader().Subsystem);
}

TEST(ShippedExe, ImportsOnlyKernel32User32Advapi32AndMsvcrt)
{
    PeFile pe = LoadShipped();
    ASSERT_FALSE(pe.bytes.empty()) << "cannot read " << ShippedExePath;
    const std::set<std::string> allowed = {"KERNEL32.DLL", "USER32.DLL", "ADVAPI32.DLL",
                                           "MSVCRT.DLL"};

    auto imports = pe.Libraries<IMAGE_IMPORT_DESCRIPTOR>(
        IMAGE_DIRECTORY_ENTRY_IMPORT, [](const IMAGE_IMPORT_DESCRIPTOR& d) { return d.Name; });
    EXPECT_TRUE(imports.count("KERNEL32.DLL")) << "imports:" << Joined(imports);
    for (const std::string& name : imports)
        EXPECT_TRUE(allowed.count(name)) << "imports " << name;

    // A library loaded on first use is as much a dependency as one loaded at start.
    auto delayed = pe.Libraries<IMAGE_DELAYLOAD_DESCRIPTOR>(
        IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT,
        [](const IMAGE_DELAYLOAD_DESCRIPTOR& d) { return d.DllNameRVA; });
    for (const std::string& name : delayed)
        EXPECT_TRUE(allowed.count(name)) << "delay-loads " << name;
}

TEST(ShippedExe, IsAtMost64KiBAndStripped)
{
    PeFile pe = LoadShipped();
    ASSERT_FALSE(pe.bytes.empty()) << "cannot read " << ShippedExePath;
    EXPECT_LE(pe.bytes.size(), 65536u);
    EXPECT_EQ(0u, pe.FileHeader().PointerToSymbolTable) << "the file carries a symbol table";
    EXPECT_EQ(0u, pe.FileHeader().NumberOfSymbols);
}

}  // namespace
