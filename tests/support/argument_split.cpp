#include "tests/support/argument_split.h"

std::vector<std::string> SplitArguments(const std::string& line)
{
    std::vector<std::string> arguments;
    for (size_t at = line.find_first_not_of(" \t"); at != std::string::npos;
         at = line.find_first_not_of(" \t", at)) {
        std::string argument;
        bool quoted = false;
        for (; at < line.size(); ++at) {
            size_t backslashes = 0;
            while (at < line.size() && line[at] == '\\')
                ++backslashes, ++at;
            bool quote = at < line.size() && line[at] == '"';
            argument.append(quote ? backslashes / 2 : backslashes, '\\');
            if (at == line.size() || (!quoted && (line[at] == ' ' || line[at] == '\t')))
                break;
            if (quote && backslashes % 2 == 0)
                quoted = !quoted;
            else
                argument += line[at];
        }
        arguments.push_back(argument);
    }
    return arguments;
}
