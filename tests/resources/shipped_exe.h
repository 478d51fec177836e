#pragma once
// What the checks of the shipped 32-bit uninstall.exe share: where the file lies inside the
// prefix, and the byte layouts that they expect of it.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// The shipped exe as the test run copies it into the prefix.
extern const char ShippedExePath[];

Bytes ReadWholeFileBytes(const std::string& path);  // empty when the file cannot be read

// The classic dialog template of one of the four resources "UNINSTALL", "PROMPT1",
// "PROMPT2" and "PROMPT3", built field by field from the layout tables; empty for other names.
Bytes ExpectedDialogTemplate(const std::string& name);

// The icon group "!UNINSTALL": its directory header and two entries.
Bytes ExpectedIconDirectory();

// The standard 16-colour palette as BITMAPINFO stores it (blue, green, red, zero).
Bytes StandardPalette();

// Both byte strings as rows of hex, the first differing offset marked: readable in a failure.
std::string DescribeDifference(const Bytes& expected, const Bytes& actual);
