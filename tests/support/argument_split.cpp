#include "tests/support/argument_split.h"

std::vector<std::string> SplitArguments(const std::string& commandLine)
{
    std::vector<std::string> arguments;
    size_t at = 0;
    size_t length = commandLine.size();
    for (;;) {
        while (at < length && (commandLine[at] == ' ' || commandLine[at] == '\t'))
            ++at;
        if (at >= length)
            return arguments;
        std::string argument;
        bool quoted = false;
        while (at < length) {
            char c = commandLine[at];
            if (!quoted && (c == ' ' || c == '\t'))
                break;
            if (c == '\\') {
                size_t backslashes = 0;
                while (at < length && commandLine[at] == '\\') {
                    ++backslashes;
                    ++at;
                }
                if (at < length && commandLine[at] == '"') {
                    argument.append(backslashes / 2, '\\');
                    if (backslashes % 2) {
                        argument += '"';
                        ++at;
                    }
                } else {
                    argument.append(backslashes, '\\');
                }
                continue;
            }
            if (c == '"') {
                quoted = !quoted;
                ++at;
                continue;
            }
            argument += c;
            ++at;
        }
        arguments.push_back(argument);
    }
}
