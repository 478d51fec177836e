#pragma once
// The Windows runtime's rule for splitting a command line into arguments, written out here so
// that the tests can check what the helper will receive, independent of Wine's own splitting.
#include <string>
#include <vector>

// Blanks and tabs separate; a double quote starts or ends a quoted stretch and is removed;
// 2n backslashes before a quote give n backslashes, 2n+1 give n and a literal quote; other
// backslashes stay. The first argument (the program) follows the same rule here.
std::vector<std::string> SplitArguments(const std::string& commandLine);
