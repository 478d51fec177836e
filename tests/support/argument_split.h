#pragma once
// The Windows runtime's rule for splitting a command line into arguments, written out so that
// the tests can check what the helper will receive, independent of Wine's own splitting: blanks
// and tabs separate; a double quote starts or ends a quoted stretch and is removed; 2n
// backslashes before a quote give n, 2n+1 give n and a literal quote; other backslashes stay.
#include <string>
#include <vector>

std::vector<std::string> SplitArguments(const std::string& commandLine);
