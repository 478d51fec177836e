// The edges of the helper's command line and of the error record, natively under sanitizers and
// under Wine; the fuzz target takes any input, the Wine tests the log, paths and registry keys.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/argument_split.h"
#include "text/command_line.h"
#include "text/deferred_list.h"
#include "text/helper_command_line.h"
#include "text/record_text.h"

static std::string DeferAll(const char* own, const std::vector<std::string>& paths)
{
    strcpy(OwnPath, own);
    ClearDeferredList();
    for (const std::string& path : paths)
        EXPECT_EQ(DeferIfOwnPath(path.c_str()), 1) << path;
    return DeferredList ? DeferredList : "";
}

// Built in a buffer of `size` with a guard behind it: the line, and the count left out.
static std::pair<std::string, int> Build(size_t size, const std::string& deferred)
{
    std::vector<char> buffer(size + 64, '#');
    int omitted = BuildHelperCommandLine(buffer.data(), size, "C:\\T d\\uninstallvx.exe",
                                         deferred.c_str());
    EXPECT_EQ(std::string(buffer.begin() + size, buffer.end()), std::string(64, '#'));
    return {buffer.data(), omitted};
}

static const std::string Head = "\"C:\\T d\\uninstallvx.exe\" -u";
static const std::vector<std::string> Paths = {"C:\\P F\\V\\bin\\uninst.exe",
                                               "C:\\P F\\V\\bin\\", "C:\\"};

TEST(HelperCommandLine, CarriesTheCopysPathTheSwitchAndEveryPathWholeInOrder)
{
    std::vector<std::string> expected = {"C:\\T d\\uninstallvx.exe", "-u"};
    expected.insert(expected.end(), Paths.begin(), Paths.end());
    auto out = Build(HelperCommandLineSize, DeferAll(Paths[0].c_str(), Paths));
    EXPECT_EQ(std::make_pair(SplitArguments(out.first), out.second), std::make_pair(expected, 0));
}

// Room for the head and the short last path only: the longer ones are left out whole; without
// room for the head there is no line.
TEST(HelperCommandLine, APathThatDoesNotFitIsLeftOutWholeAndCounted)
{
    const std::string deferred = DeferAll(Paths[0].c_str(), Paths);
    EXPECT_EQ(Build(Head.size() + 8, deferred), std::make_pair(Head + " \"C:\\\\\"", 2));
    EXPECT_EQ(Build(Head.size() + 7, deferred), std::make_pair(Head, 3));
    EXPECT_EQ(Build(Head.size(), deferred), std::make_pair(std::string(), -1));
}

// An odd count of backslashes would make the closing quote literal and swallow the next path.
TEST(HelperCommandLine, AMalformedPathIsSkippedAndCannotSwallowTheNext)
{
    EXPECT_EQ(SplitArguments(Build(4096, "\"C:\\A\\\" \"C:\\B\" \"C:\\C").first),
              std::vector<std::string>({"C:\\T d\\uninstallvx.exe", "-u", "C:\\B"}));
}

TEST(DeferredList, TheOwnPathsLetterCaseIsFoldedFromAToZOnly)
{
    EXPECT_EQ(PrefixCompare("C:\\Vantrel", "c:\\vANTREL"), 0);
    EXPECT_NE(PrefixCompare("\xE9", "\xC9"), 0);
}

TEST(DeferredList, APrefixIsDeferredOnlyWhereItEndsAtAFolderOfTheOwnPath)
{
    strcpy(OwnPath, "C:\\V\\bin64\\uninst.exe");
    ClearDeferredList();
    for (const char* other : {"", "C:\\V\\bin", "C:\\V\\bin64\\uninst", "C:\\V\\bin64\\u"})
        EXPECT_EQ(DeferIfOwnPath(other), 0) << other;
    EXPECT_EQ(DeferredList, nullptr);
    for (const char* above : {"C:\\V", "C:\\V\\", "C:\\V\\bin64", "C:\\V\\BIN64\\UNINST.EXE"})
        EXPECT_EQ(DeferIfOwnPath(above), 1) << above;
}

static std::string Suffixed(std::string text, const char* detail)
{
    std::string buffer(RecordTextSize + 8, '#');
    strcpy(&buffer[0], text.c_str());
    AppendRecordSuffix(&buffer[0], RecordTextSize, "DeleteFile", 5, detail);
    EXPECT_EQ(buffer.substr(RecordTextSize), std::string(8, '#'));
    return buffer.c_str();
}

TEST(RecordText, TheLabelCodeAndDetailAreCutWhereTheRecordEnds)
{
    EXPECT_EQ(Suffixed(std::string(251, 'm'), "p"), std::string(251, 'm'));
    EXPECT_EQ(Suffixed("S.\r\n", std::string(400, 'k').c_str()).size(), 251u);
}

static StartRequest Read(std::vector<std::string> texts, bool unattended)
{
    texts.insert(texts.begin(), "uninstall.exe");
    std::vector<char*> argv;
    for (std::string& text : texts)
        argv.push_back(&text[0]);
    return ReadCommandLine(static_cast<int>(argv.size()), argv.data(), unattended);
}

// Started where nobody can answer a window, every run acts as with /S: the wizard's arguments
// remove without a window, and a list of switches or a refusal shows no box.
TEST(CommandLine, AnUnattendedStartActsAsWithS)
{
    const struct {
        std::vector<std::string> arguments;
        StartMode mode;
    } cases[] = {{{"log"}, StartSilent}, {{"/?"}, StartHelp}, {{"/X", "log"}, StartRefused},
                 {{"log", "extra"}, StartRefused}, {{"-u", "path"}, StartHelper},
                 {{"/SILENT", "log"}, StartSilent}};
    for (const auto& c : cases) {
        StartRequest request = Read(c.arguments, true);
        EXPECT_EQ(request.mode, c.mode) << c.arguments[0];
        EXPECT_TRUE(request.silent || c.mode == StartHelper) << c.arguments[0];
        EXPECT_TRUE(request.view == ViewNothing || c.mode == StartHelper) << c.arguments[0];
    }
}

// /SILENT and /PASSIVE show the removal page and ask nothing; a switch that asks for nothing
// shown wins over them in either order.
TEST(CommandLine, AnUnattendedRunShowsTheLeastThatItsSwitchesAskFor)
{
    const struct {
        std::vector<std::string> arguments;
        StartView view;
    } cases[] = {{{"/SILENT", "log"}, ViewProgress}, {{"-passive", "/LOG", "log"}, ViewProgress},
                 {{"/Silent", "/QN", "log"}, ViewNothing}, {{"/S", "/PASSIVE", "log"}, ViewNothing},
                 {{"log"}, ViewPages}};
    for (const auto& c : cases) {
        StartRequest request = Read(c.arguments, false);
        EXPECT_EQ(request.view, c.view) << c.arguments[0] << " " << c.arguments[1];
        EXPECT_EQ(request.mode, c.view == ViewPages ? StartWizard : StartSilent) << c.arguments[0];
        EXPECT_EQ(request.silent, c.view != ViewPages) << c.arguments[0];
    }
}
