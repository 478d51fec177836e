// Any list of paths that Windows allows (no control bytes, no double quote, under 260
// characters, trailing backslashes included), deferred one after another and then split by the
// runtime's argument rule, gives back exactly those paths.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "removal/deferred_list.h"
#include "tests/support/argument_split.h"

static bool AllowedInPath(unsigned char c)
{
    return c >= 32 && c != '"';
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Paths are the input's runs of allowed bytes, split at every other byte.
    std::vector<std::string> paths;
    std::string current;
    for (size_t i = 0; i <= size; ++i) {
        if (i < size && AllowedInPath(data[i])) {
            current += static_cast<char>(data[i]);
            continue;
        }
        if (i < size && data[i] == 0)  // a NUL byte makes an empty path
            paths.push_back(current);
        else if (!current.empty())
            paths.push_back(current);
        current.clear();
    }
    ClearDeferredList();
    for (std::string& path : paths) {
        if (path.size() > 259)
            path.resize(259);
        // Each path is deferred through the real test: it is its own OwnPath.
        memset(OwnPath, 0, sizeof OwnPath);
        memcpy(OwnPath, path.data(), path.size());
        if (DeferIfOwnPath(path.c_str()) != 1)
            abort();
    }
    std::vector<std::string> split = SplitArguments(DeferredList ? DeferredList : "");
    // A blank-only or empty path cannot be told apart after splitting only when it is empty
    // and quoted: "" still yields an empty argument, so every path must come back as it was.
    if (split != paths)
        abort();
    ClearDeferredList();
    return 0;
}
