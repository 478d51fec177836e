#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "sysops/checked.h"
#include "tests/support/test_support.h"

static std::string SystemMessage(DWORD code)
{
    char text[252] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                   text, sizeof text, nullptr);
    return text;
}

static bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST(ErrorRecord, HoldsTheSystemMessageThenLabelCodeAndDetail)
{
    Status status = FailWithCode(5, "DeleteFile", "%s", "C:\\dir\\name.txt");
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->code, 5);
    ASSERT_FALSE(SystemMessage(5).empty());
    EXPECT_EQ(std::string(status->text), SystemMessage(5) + "(DeleteFile) (5) (C:\\dir\\name.txt)");

    // Without a system message, the text before the suffix still names the code.
    ASSERT_TRUE(SystemMessage(12345678).empty());
    std::string text = FailWithCode(12345678, "FindClose", nullptr)->text;
    size_t suffix = text.find("(FindClose) (12345678)");
    ASSERT_NE(suffix, std::string::npos) << text;
    EXPECT_NE(text.substr(0, suffix).find("12345678"), std::string::npos) << text;
}

TEST(ErrorRecord, ADetailFarOverItsBufferIsCutNeverWrittenPast)
{
    std::string huge(5000, 'h');
    Status status = FailWithCode(2, "CreateFile", "%s%s", huge.c_str(), huge.c_str());
    EXPECT_EQ(status->code, 2);
    EXPECT_EQ(std::string(status->text),
              (SystemMessage(2) + "(CreateFile) (2) (" + huge).substr(0, 251));
}

TEST(ErrorRecord, AFailureWithLastErrorZeroIsASuccessAndLeavesTheRecord)
{
    FailWithCode(5, "DeleteFile", "%s", "before");
    std::string before = TheErrorRecord.text;

    SetLastError(0);
    EXPECT_EQ(FailWithLastError("CreateFile", "%s", "after"), nullptr);
    // No window of this thread has the focus, so SetFocus gives null without an error.
    HWND previous;
    EXPECT_EQ(CheckedSetFocus(nullptr, &previous), nullptr);

    EXPECT_EQ(TheErrorRecord.code, 5);
    EXPECT_EQ(std::string(TheErrorRecord.text), before);
}

TEST(CheckedOperations, AFailedCallIsRecordedWithItsLabelCodeAndPath)
{
    // A running executable cannot be deleted: this very test program.
    char own[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, own, sizeof own), 0u);
    Status status = CheckedDeleteFile(own);
    ASSERT_NE(status, nullptr);
    EXPECT_TRUE(Exists(own));
    EXPECT_EQ(status->code, ERROR_ACCESS_DENIED);
    EXPECT_TRUE(EndsWith(status->text, std::string("(DeleteFile) (5) (") + own + ")"))
        << status->text;
}

TEST(CheckedOperations, FindNextFileAtTheEndIsDoneNotAFailure)
{
    ScratchDirectory scratch;
    WriteTextFile(scratch.Path("only.txt"), "x");
    WIN32_FIND_DATAA found;
    HANDLE search;
    ASSERT_EQ(CheckedFindFirstFile(scratch.Path("only.txt").c_str(), &found, &search), nullptr);

    int done = 7;
    EXPECT_EQ(CheckedFindNextFile(search, &found, &done), nullptr);
    EXPECT_EQ(done, 1);
    EXPECT_EQ(TheErrorRecord.code, ERROR_NO_MORE_FILES);
    EXPECT_TRUE(EndsWith(TheErrorRecord.text, "(FindNextFile) (18) ()")) << TheErrorRecord.text;
    EXPECT_EQ(CheckedFindClose(search), nullptr);
}

TEST(CheckedOperations, RegistryCallsTakeTheCodeFromTheirResult)
{
    SetLastError(ERROR_ACCESS_DENIED);
    HKEY key;
    Status status = CheckedRegOpenKey(HKEY_CURRENT_USER, "Software\\UninstallTests\\none", 0,
                                      KEY_READ, &key);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->code, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    EXPECT_TRUE(EndsWith(status->text, "(RegOpenKey) (2) (Software\\UninstallTests\\none)"));
}
