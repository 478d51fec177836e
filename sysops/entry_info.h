#pragma once
// What the program knows of a file-system entry. Free of Windows.
#include <cstdint>

enum EntryKind { EntryAbsent = 0, EntryFile = 1, EntryDirectory = 2 };

constexpr uint32_t AttributeReadOnly = 0x1;        // FILE_ATTRIBUTE_READONLY
constexpr uint32_t AttributeReparsePoint = 0x400;  // FILE_ATTRIBUTE_REPARSE_POINT

struct EntryInfo {
    EntryKind kind;
    uint32_t size;        // low 32 bits of the size
    uint32_t sizeHigh;    // high 32 bits, so that a huge install log is recognised as such
    uint32_t attributes;
    char name[256];       // base name, filled by enumeration only
};
