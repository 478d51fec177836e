#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "removal/deferred_list.h"
#include "tests/support/test_support.h"

// The list as the helper gets it back, split by the system's own implementation of the rule
// for program arguments rather than by one written for the tests.
static std::vector<std::string> SplitAsArguments(const std::string& list)
{
    std::wstring line = L"helper.exe ";
    for (char c : list)
        line += static_cast<wchar_t>(static_cast<unsigned char>(c));
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(line.c_str(), &count);
    std::vector<std::string> split;
    for (int i = 1; arguments && i < count; ++i) {
        std::string argument;
        for (const wchar_t* c = arguments[i]; *c; ++c)
            argument += static_cast<char>(*c);
        split.push_back(argument);
    }
    LocalFree(arguments);
    return split;
}

TEST(DeferredList, GivesEveryPathBackThroughTheSystemsArgumentSplitting)
{
    // Two backslashes in a row do not arise from the system, but the list must cope with them.
    SetOwnPath("C:\\Vantrel\\\\bin\\uninst.exe");
    const std::vector<std::string> paths = {"C:\\Vantrel\\", "C:\\Vantrel\\\\bin\\uninst.exe",
                                            "C:\\Vantrel\\\\", "", "C:\\", "C:\\Vantrel\\\\bin"};
    for (const std::string& path : paths)
        EXPECT_EQ(DeferIfOwnPath(path.c_str()), 1);
    EXPECT_EQ(SplitAsArguments(DeferredListText()), paths) << DeferredListText();
    SetOwnPath("");
}
