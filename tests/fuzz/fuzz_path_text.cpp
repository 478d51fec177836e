// Path building at and around the buffer's limits: nothing is written past the buffer, and a
// result is accepted exactly when it fits with its terminator.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "removal/path_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    // The first two bytes choose lengths near the limits (directories of 250 to 265 characters,
    // names of 0 to 15 or 248 to 263); the rest is content.
    size_t directoryLength = 250 + data[0] % 16;
    size_t nameLength = (data[1] & 0x80 ? 248 : 0) + data[1] % 16;
    std::string content(reinterpret_cast<const char*>(data + 2), size - 2);
    for (char& c : content)
        if (c == '\0')
            c = 'x';
    if (content.empty())
        content = "x";
    std::string directory, name;
    while (directory.size() < directoryLength)
        directory += content;
    directory.resize(directoryLength);
    while (name.size() < nameLength)
        name += content;
    name.resize(nameLength);

    // Exactly-sized heap buffers, so that the sanitizer catches any overrun.
    char* path = static_cast<char*>(malloc(PathBufferSize));
    if (CopyBounded(path, PathBufferSize, directory.c_str()) != (directory.size() < PathBufferSize))
        abort();
    if (directory.size() < PathBufferSize) {
        std::string before = path;
        bool separator = before.empty() || before.back() != '\\';
        bool fits = before.size() + separator + name.size() < PathBufferSize;
        if (AppendComponent(path, PathBufferSize, name.c_str()) != fits)
            abort();
        std::string expected = fits ? before + (separator ? "\\" : "") + name : before;
        if (expected != path)
            abort();
        BaseName(path);
        IsFullPathSyntax(path);
        IsRootPath(path);
    }
    char* search = static_cast<char*>(malloc(PathBufferSize));
    bool fits = directory.size() + 1 + name.size() < PathBufferSize || name.empty();
    fits = fits && directory.size() < PathBufferSize;
    if (BuildSearchPath(search, PathBufferSize, directory.c_str(), name.c_str()) != fits)
        abort();
    free(search);
    free(path);
    return 0;
}
