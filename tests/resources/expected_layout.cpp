#include "tests/resources/shipped_exe.h"

#include <cstdio>
#include <iterator>

const char ShippedExePath[] = "C:\\tests\\shipped\\uninstall.exe";

Bytes ReadWholeFileBytes(const std::string& path)
{
    Bytes bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    uint8_t chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    std::fclose(file);
    return bytes;
}

namespace {

enum ControlKind { PushButton, DefaultButton, TextLine };

struct ControlRow {
    WORD id;
    ControlKind kind;
    const char* text;
    short left, top, width, height;
};

struct DialogRow {
    const char* name;
    DWORD style;
    const char* caption;
    const ControlRow* controls;
    size_t count;
};

const ControlRow Prompt1Controls[] = {
    {2, PushButton, "Cancel", 146, 140, 43, 14},
    {1, DefaultButton, "Continue...", 193, 140, 43, 14},
    {1011, TextLine, "", 15, 15, 220, 33},
    {1012, TextLine, "", 15, 52, 220, 33},
    {1013, TextLine, "", 15, 89, 220, 33},
};

const ControlRow Prompt2Controls[] = {
    {1017, PushButton, "Back", 98, 142, 43, 14},
    {2, PushButton, "Cancel", 144, 142, 43, 14},
    {1, DefaultButton, "Continue", 191, 142, 43, 14},
    {1016, TextLine, "", 15, 86, 220, 33},
    {1015, TextLine, "", 15, 49, 220, 33},
    {1014, TextLine, "", 15, 12, 220, 33},
};

const ControlRow Prompt3Controls[] = {
    {1, DefaultButton, "OK", 191, 143, 43, 14},
    {1018, TextLine, "", 15, 15, 220, 33},
    {1019, TextLine, "", 15, 52, 220, 33},
    {1020, TextLine, "", 15, 89, 220, 33},
};

const DWORD MainWindowStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER | DS_SETFONT;
const DWORD PageStyle = WS_CHILD | WS_VISIBLE | DS_SETFONT;

const DialogRow Dialogs[] = {
    {"UNINSTALL", MainWindowStyle, "Uninstall", nullptr, 0},
    {"PROMPT1", PageStyle, "", Prompt1Controls, std::size(Prompt1Controls)},
    {"PROMPT2", PageStyle, "", Prompt2Controls, std::size(Prompt2Controls)},
    {"PROMPT3", PageStyle, "", Prompt3Controls, std::size(Prompt3Controls)},
};

struct KindRow {
    DWORD style;
    WORD classAtom;
};

// Indexed by ControlKind. 0x0080 and 0x0082 are the predefined atoms of BUTTON and STATIC.
const KindRow Kinds[] = {
    {WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0x0080},
    {WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0x0080},
    {WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT, 0x0082},
};

void AddWord(Bytes& out, unsigned value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void AddDword(Bytes& out, DWORD value)
{
    AddWord(out, value & 0xFFFF);
    AddWord(out, value >> 16);
}

// Template strings are UTF-16 with a terminator; every text here is plain ASCII.
void AddText(Bytes& out, const char* text)
{
    for (; *text; ++text)
        AddWord(out, static_cast<uint8_t>(*text));
    AddWord(out, 0);
}

void AlignToDword(Bytes& out)
{
    while (out.size() % 4)
        out.push_back(0);
}

void AddControl(Bytes& out, const ControlRow& control)
{
    AlignToDword(out);
    AddDword(out, Kinds[control.kind].style);
    AddDword(out, 0);  // no extended style
    AddWord(out, control.left);
    AddWord(out, control.top);
    AddWord(out, control.width);
    AddWord(out, control.height);
    AddWord(out, control.id);
    AddWord(out, 0xFFFF);
    AddWord(out, Kinds[control.kind].classAtom);
    AddText(out, control.text);
    AddWord(out, 0);  // no creation data
}

}  // namespace

Bytes ExpectedDialogTemplate(const std::string& name)
{
    Bytes out;
    for (const DialogRow& dialog : Dialogs) {
        if (name != dialog.name)
            continue;
        AddDword(out, dialog.style);
        AddDword(out, 0);  // no extended style
        AddWord(out, static_cast<unsigned>(dialog.count));
        AddWord(out, 0);    // x
        AddWord(out, 0);    // y
        AddWord(out, 250);  // width
        AddWord(out, 170);  // height
        AddWord(out, 0);    // no menu
        AddText(out, "UnInstall");
        AddText(out, dialog.caption);
        AddWord(out, 8);
        AddText(out, "MS Sans Serif");
        for (size_t i = 0; i < dialog.count; ++i)
            AddControl(out, dialog.controls[i]);
    }
    return out;
}

Bytes ExpectedIconDirectory()
{
    struct Entry {
        uint8_t width, height, colours;
        DWORD bytes;
        WORD id;
    };
    const Entry entries[] = {{32, 32, 16, 744, 1}, {16, 16, 16, 296, 2}};
    Bytes out;
    AddWord(out, 0);  // reserved
    AddWord(out, 1);  // icons, not cursors
    AddWord(out, std::size(entries));
    for (const Entry& entry : entries) {
        out.push_back(entry.width);
        out.push_back(entry.height);
        out.push_back(entry.colours);
        out.push_back(0);  // reserved
        AddWord(out, 1);   // planes
        AddWord(out, 4);   // bits per pixel
        AddDword(out, entry.bytes);
        AddWord(out, entry.id);
    }
    return out;
}

Bytes StandardPalette()
{
    // Red, green, blue of black, the eight dark colours, light and dark grey, the bright ones.
    static const uint8_t Colours[16][3] = {
        {0x00, 0x00, 0x00}, {0x80, 0x00, 0x00}, {0x00, 0x80, 0x00}, {0x80, 0x80, 0x00},
        {0x00, 0x00, 0x80}, {0x80, 0x00, 0x80}, {0x00, 0x80, 0x80}, {0xC0, 0xC0, 0xC0},
        {0x80, 0x80, 0x80}, {0xFF, 0x00, 0x00}, {0x00, 0xFF, 0x00}, {0xFF, 0xFF, 0x00},
        {0x00, 0x00, 0xFF}, {0xFF, 0x00, 0xFF}, {0x00, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF},
    };
    Bytes out;
    for (const auto& colour : Colours) {
        out.push_back(colour[2]);
        out.push_back(colour[1]);
        out.push_back(colour[0]);
        out.push_back(0);
    }
    return out;
}

std::string DescribeDifference(const Bytes& expected, const Bytes& actual)
{
    size_t first = 0;
    while (first < expected.size() && first < actual.size() && expected[first] == actual[first])
        ++first;
    std::string text = "first difference at offset " + std::to_string(first) + " (expected " +
                       std::to_string(expected.size()) + " bytes, found " +
                       std::to_string(actual.size()) + ")\n";
    for (const Bytes* bytes : {&expected, &actual}) {
        text += bytes == &expected ? "expected:" : "found:";
        for (size_t i = 0; i < bytes->size(); ++i) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "%s%02x", i == first ? ">" : " ", (*bytes)[i]);
            text += (i % 16 ? "" : "\n  ") + std::string(hex);
        }
        text += "\n";
    }
    return text;
}
