// One libFuzzer target over the engine's text and buffer code: the first byte chooses the part,
// the rest is its input. A wrong result aborts; the sanitizers catch any overrun.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/argument_split.h"
#include "text/command_line.h"
#include "text/deferred_list.h"
#include "text/folder_spelling.h"
#include "text/helper_command_line.h"
#include "text/log_text.h"
#include "text/path_text.h"
#include "text/registry_path.h"

static void Require(bool good) { good ? void() : abort(); }

// An install log: every entry is a maximal run of bytes of 32 and above, in order, and a tag's
// argument is the rest of its entry.
static void Log(const std::string& log)
{
    std::vector<char> buffer(log.c_str(), log.c_str() + log.size() + 1);  // exactly sized
    TerminateLogEntries(buffer.data(), log.size());
    size_t position = 0, expected = 0, length;
    char *entry, *argument;
    auto separator = [&](size_t i) {
        return i >= log.size() || static_cast<unsigned char>(log[i]) < 32;
    };
    while (NextLogEntry(buffer.data(), log.size(), &position, &entry, &length)) {
        while (separator(expected))
            ++expected;
        Require(entry == buffer.data() + expected && length > 0 && position == expected + length);
        for (size_t i = expected; i <= position; ++i)
            Require(separator(i) == (i == position));
        for (const char* tag : {"file:", "dir:", "dirw:", "key:", "link:"})
            Require(!StartsWithTag(entry, length, tag, &argument) ||
                    argument == entry + strlen(tag));
        expected = position;
    }
    while (expected < log.size())
        Require(separator(expected++));
}

// A "key:" argument splits at its first and last backslashes and comes back unchanged.
static void KeyArgument(std::string text)
{
    const std::string original = text;
    RegistryArgument parts;
    const bool split = original.find('\\') != original.rfind('\\');
    Require(SplitRegistryArgument(&text[0], &parts) == split);
    if (split) {
        Require(parts.rootLength == original.find('\\'));
        Require(static_cast<size_t>(parts.valueName - text.data()) == original.rfind('\\') + 1);
        RootNameIndex(parts.root, parts.rootLength);
        RestoreRegistryArgument(parts);
    }
    Require(text == original);
}

// Directories of 250 to 265 characters and names of 0 to 15 or 248 to 263, in exactly sized
// buffers: a result is accepted exactly when it fits with its terminator.
static void Paths(const std::string& input)
{
    std::string content = input.size() > 2 ? input.substr(2) : "x", directory, name;
    std::replace(content.begin(), content.end(), '\0', 'x');
    const unsigned char directoryLength = input.empty() ? 0 : input[0];
    const unsigned char nameLength = input.size() < 2 ? 0 : input[1];
    while (directory.size() < 265u || name.size() < 263u)
        directory += content, name += content;
    directory.resize(250 + directoryLength % 16);
    name.resize((nameLength & 0x80 ? 248 : 0) + nameLength % 16);
    std::vector<char> path(PathBufferSize), search(PathBufferSize);
    const bool copied = directory.size() < PathBufferSize;
    Require(CopyBounded(path.data(), PathBufferSize, directory.c_str()) == copied);
    const bool separator = directory.back() != '\\';
    const bool fits = copied && directory.size() + separator + name.size() < PathBufferSize;
    const std::string joined = fits ? directory + (separator ? "\\" : "") + name : "";
    Require(JoinPath(search.data(), PathBufferSize, directory.c_str(), name.c_str()) == fits);
    Require(search.data() == joined);
    if (copied) {
        Require(AppendComponent(path.data(), PathBufferSize, name.c_str()) == fits);
        Require(path.data() == (fits ? joined : directory));
        DropTrailingBackslashes(path.data());
        const size_t left = strlen(path.data());
        Require(left <= 1 || path[left - 1] != '\\' || path[left - 2] == ':');
        IsRootPath(path.data()), IsFullPathSyntax(path.data()), BaseName(path.data());
    }
}

// Paths without control bytes or double quotes, each the own path in turn, deferred and then
// built into a helper's command line of any size: the child gets its path, "-u" and the paths in
// order, some left out whole.
static void Deferred(const std::string& input)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(input[i]); };
    size_t size = input.size() < 2 ? 0 : (byte(0) << 8 | byte(1)) % 4096;
    std::vector<std::string> paths(1);
    for (size_t i = 2; i < input.size(); ++i)
        if (static_cast<unsigned char>(input[i]) < 32 || input[i] == '"')
            paths.emplace_back();
        else if (paths.back().size() < 259)
            paths.back() += input[i];
    // An own path is never empty.
    paths.erase(std::remove(paths.begin(), paths.end(), ""), paths.end());
    ClearDeferredList();
    for (const std::string& path : paths)
        Require(DeferIfOwnPath(strcpy(OwnPath, path.c_str())) == 1);
    const char* deferred = DeferredList ? DeferredList : "";
    Require(SplitArguments(deferred) == paths);
    const std::string copy = "C:\\Documents and Settings\\Temp\\uninstallvx.exe";
    std::vector<char> out(size + 1);
    int omitted = BuildHelperCommandLine(out.data(), size, copy.c_str(), deferred);
    const bool roomForHead = size >= copy.size() + 6;
    Require(omitted >= 0 ? roomForHead : !roomForHead && (size == 0 || !out[0]));
    std::vector<std::string> arguments = SplitArguments(omitted >= 0 ? out.data() : "");
    Require(omitted < 0 || (arguments.size() >= 2 && arguments[0] == copy && arguments[1] == "-u"));
    for (size_t i = 2, next = 0; i < arguments.size(); ++i, ++next) {
        while (next < paths.size() && paths[next] != arguments[i])
            ++next;
        Require(next < paths.size());
    }
    Require(omitted < 0 || arguments.size() - 2 + static_cast<size_t>(omitted) == paths.size());
}

// Switches and paths as a user's shell passes them: the grammar leaves them as they are, and the
// helper's mode takes everything after its switch.
static void Switches(const std::string& input)
{
    std::vector<std::string> args = SplitArguments(("u " + input).c_str()), given = args;
    std::vector<char*> argv(args.size());
    std::transform(args.begin(), args.end(), argv.begin(), [](std::string& a) { return &a[0]; });
    char** paths = ReadCommandLine(static_cast<int>(argv.size()), argv.data()).helperPaths;
    Require(args == given && (!paths || paths == argv.data() + 2));
}

// A full path and the same with its ASCII letters in the other case and backslashes added at its
// end spell one folder, or, for a root or nothing, none.
static void Spelling(std::string path)
{
    std::string other = path + "\\\\";
    for (char& c : other)
        c ^= (c | 0x20) >= 'a' && (c | 0x20) <= 'z' ? 0x20 : 0;
    const bool kept = TrimFolderPath(&path[0]);
    Require(TrimFolderPath(&other[0]) == kept);
    Require(!kept || SameFolderSpelling(&path[0], &other[0]));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    const std::string input(text + (size ? 1 : 0), size ? size - 1 : 0);
    switch (size ? data[0] % 6 : 0) {
    case 0: Log(input); break;
    case 1: KeyArgument(input.substr(0, input.find('\0'))); break;
    case 2: Paths(input); break;
    case 3: Deferred(input); break;
    case 4: Switches(input); break;
    case 5: Spelling(input.substr(0, input.find('\0'))); break;
    }
    return 0;
}
