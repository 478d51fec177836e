// Any "key:" argument: splitting finds the pieces where the backslashes are, touches nothing
// outside the text, and restoring gives back exactly the text it was given.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "removal/registry_path.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string original(reinterpret_cast<const char*>(data), size);
    original = original.substr(0, original.find('\0'));  // the argument is a terminated text
    std::vector<char> text(original.begin(), original.end());
    text.push_back('\0');

    RegistryArgument parts;
    bool split = SplitRegistryArgument(text.data(), &parts);
    size_t backslashes = 0;
    for (char c : original)
        backslashes += c == '\\';
    if (split != (backslashes >= 2))
        abort();
    if (split) {
        if (parts.root != text.data() || original[parts.rootLength] != '\\' ||
            original.find('\\') != parts.rootLength)
            abort();
        size_t last = static_cast<size_t>(parts.valueName - 1 - text.data());
        if (original.rfind('\\') != last || text[last] != '\0')
            abort();
        if (strchr(parts.valueName, '\\'))
            abort();
        RootNameIndex(parts.root, parts.rootLength);
        RestoreRegistryArgument(parts);
    }
    if (std::string(text.data(), text.size() - 1) != original)
        abort();
    return 0;
}
