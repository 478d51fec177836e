// The helper's command line, built from any deferred list into a buffer of any size: nothing is
// written past the buffer, and the child's argument splitting gives back the copy's path, "-u",
// and a whole-path subsequence of the deferred paths, in order, with the left-out ones counted.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "removal/deferred_list.h"
#include "removal/helper_command_line.h"
#include "tests/support/argument_split.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    // The first two bytes choose the buffer's size; the rest are paths, as the list holds them.
    size_t bufferSize = (static_cast<size_t>(data[0]) << 8 | data[1]) % 4096;
    std::vector<std::string> paths;
    std::string current;
    for (size_t i = 2; i <= size; ++i) {
        if (i < size && data[i] >= 32 && data[i] != '"') {
            current += static_cast<char>(data[i]);
            continue;
        }
        if (!current.empty())
            paths.push_back(current.substr(0, 259));
        current.clear();
    }
    ClearDeferredList();
    for (const std::string& path : paths) {
        memset(OwnPath, 0, sizeof OwnPath);
        memcpy(OwnPath, path.data(), path.size());
        DeferIfOwnPath(path.c_str());
    }
    const char* copyPath = "C:\\Documents and Settings\\Temp\\uninstallvx.exe";

    char* out = static_cast<char*>(malloc(bufferSize ? bufferSize : 1));
    int omitted = BuildHelperCommandLine(out, bufferSize, copyPath, DeferredList);
    if (bufferSize == 0) {
        if (omitted != -1)
            abort();
    } else if (omitted < 0) {
        if (out[0] != '\0' || strlen(copyPath) + 6 <= bufferSize)
            abort();
    } else {
        if (strlen(out) >= bufferSize)
            abort();
        std::vector<std::string> arguments = SplitArguments(out);
        if (arguments.size() < 2 || arguments[0] != copyPath || arguments[1] != "-u")
            abort();
        // What the child receives is the deferred paths in order, some left out whole.
        size_t next = 0;
        for (size_t i = 2; i < arguments.size(); ++i) {
            while (next < paths.size() && paths[next] != arguments[i])
                ++next;
            if (next == paths.size())
                abort();
            ++next;
        }
        if (arguments.size() - 2 + static_cast<size_t>(omitted) != paths.size())
            abort();
    }
    free(out);
    ClearDeferredList();
    return 0;
}
