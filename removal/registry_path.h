#pragma once
// Reading a "key:" argument: root name, key path, value name. Free of Windows.
#include <cstddef>

// The predefined roots in the order they are tried; RootNameIndex gives a position here.
enum RootIndex { RootClassesRoot, RootCurrentUser, RootLocalMachine, RootUsers, RootCurrentConfig,
                 RootCount };

// The root whose full or short name `name` is (exactly `length` characters, ASCII letter case
// ignored), or -1.
int RootNameIndex(const char* name, size_t length);

struct RegistryArgument {
    size_t rootLength;     // characters before the first backslash
    size_t keyStart;       // where the key path starts: after the first backslash
    size_t lastBackslash;  // the key path's last backslash; the value name follows it
};

// False when the text has fewer than two backslashes: such an entry does nothing.
bool SplitRegistryArgument(const char* text, RegistryArgument* parts);
