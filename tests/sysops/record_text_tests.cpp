#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "sysops/record_text.h"

TEST(RecordText, SuffixFollowsTheMessageWithLabelCodeAndDetail)
{
    char text[RecordTextSize] = "Access is denied.\r\n";
    AppendRecordSuffix(text, sizeof text, "DeleteFile", 5, "C:\\dir\\name.txt");
    EXPECT_STREQ(text, "Access is denied.\r\n(DeleteFile) (5) (C:\\dir\\name.txt)");

    char bare[RecordTextSize] = "x\r\n";
    AppendRecordSuffix(bare, sizeof bare, "CloseHandle", 6, nullptr);
    EXPECT_STREQ(bare, "x\r\n(CloseHandle) (6)");

    char empty[RecordTextSize] = "";
    AppendRecordSuffix(empty, sizeof empty, "FindNextFile", 21, "");
    EXPECT_STREQ(empty, "(FindNextFile) (21) ()");
}

TEST(RecordText, TheWholeTextIsCutTo251CharactersWhateverFillsIt)
{
    // A message that already fills the field, and a long detail: nothing may pass the end.
    char text[RecordTextSize + 8];
    memset(text, '#', sizeof text);
    std::string message(251, 'm');
    memcpy(text, message.c_str(), message.size() + 1);
    AppendRecordSuffix(text, RecordTextSize, "DeleteFile", 5, std::string(600, 'p').c_str());
    EXPECT_EQ(strlen(text), 251u);
    EXPECT_EQ(std::string(text), message);
    EXPECT_EQ(text[RecordTextSize], '#');

    char shortMessage[RecordTextSize] = "Short.\r\n";
    AppendRecordSuffix(shortMessage, sizeof shortMessage, "RegOpenKey", 2,
                       std::string(400, 'k').c_str());
    EXPECT_EQ(strlen(shortMessage), 251u);
    EXPECT_EQ(std::string(shortMessage).substr(0, 30), "Short.\r\n(RegOpenKey) (2) (kkkk");
}

static void Format(char* out, size_t size, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    FormatBounded(out, size, format, arguments);
    va_end(arguments);
}

TEST(RecordText, FormattedDetailIsCutTo511CharactersAndTerminated)
{
    char detail[RecordDetailSize + 4];
    memset(detail, '#', sizeof detail);
    Format(detail, RecordDetailSize, "%s", std::string(700, 'd').c_str());
    EXPECT_EQ(strlen(detail), 511u);
    EXPECT_EQ(detail[RecordDetailSize], '#');
}

TEST(RecordText, UnknownCodeTextNamesTheCodeAndEndsWithALineBreak)
{
    char text[RecordTextSize];
    WriteUnknownCodeText(text, sizeof text, 0x20001234);
    EXPECT_NE(strstr(text, "536875572"), nullptr);
    EXPECT_EQ(std::string(text).substr(strlen(text) - 2), "\r\n");
}
