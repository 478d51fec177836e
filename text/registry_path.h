#pragma once
// Reading a "key:" argument: root name, key path, value name. Free of Windows.
#include <cstddef>

// The predefined roots in the order they are tried; RootNameIndex gives a position here.
enum RootIndex { RootClassesRoot, RootCurrentUser, RootLocalMachine, RootUsers, RootCurrentConfig,
                 RootCount };

// The root whose full or short name `name` is (exactly `length` characters, ASCII letter case
// ignored), or -1.
int RootNameIndex(const char* name, size_t length);

// The pieces of "root\key path\value name", cut apart in the argument's own text: the key
// path's last backslash is replaced by a terminator until RestoreRegistryArgument.
struct RegistryArgument {
    const char* root;   // not terminated: rootLength characters
    size_t rootLength;
    char* keyPath;      // everything between the first and the last backslash
    char* valueName;    // everything after the last backslash; empty names the key itself
};

// False, leaving the text untouched, when it has fewer than two backslashes: such an entry
// does nothing.
bool SplitRegistryArgument(char* text, RegistryArgument* parts);

// Puts the backslash back, so that the text is as it was before the split.
void RestoreRegistryArgument(const RegistryArgument& parts);
