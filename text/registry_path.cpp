#include "text/registry_path.h"

#include <cstring>

#include "text/ascii_case.h"

namespace {

struct RootName {
    const char* full;
    const char* shortName;
    RootIndex root;
};

constexpr RootName RootNames[] = {
    {"hkey_classes_root", "hkcr", RootClassesRoot},
    {"hkey_current_user", "hkcu", RootCurrentUser},
    {"hkey_local_machine", "hklm", RootLocalMachine},
    {"hkey_users", "hku", RootUsers},
    {"hkey_current_config", "hkcc", RootCurrentConfig},
};

bool EqualsIgnoringCase(const char* name, size_t length, const char* lowerCase)
{
    return strlen(lowerCase) == length && MatchesIgnoringCase(name, lowerCase, length);
}

}  // namespace

int RootNameIndex(const char* name, size_t length)
{
    for (const RootName& root : RootNames)
        if (EqualsIgnoringCase(name, length, root.full) ||
            EqualsIgnoringCase(name, length, root.shortName))
            return root.root;
    return -1;
}

bool SplitRegistryArgument(char* text, RegistryArgument* parts)
{
    char* first = strchr(text, '\\');
    if (!first)
        return false;
    char* last = strrchr(first + 1, '\\');
    if (!last)
        return false;
    parts->root = text;
    parts->rootLength = static_cast<size_t>(first - text);
    parts->keyPath = first + 1;
    parts->valueName = last + 1;
    *last = '\0';
    return true;
}

void RestoreRegistryArgument(const RegistryArgument& parts)
{
    parts.valueName[-1] = '\\';
}
