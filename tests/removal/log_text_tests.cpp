#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "removal/log_text.h"

namespace {

struct Applied {
    LogTag tag;
    std::string argument;
    bool operator==(const Applied& other) const
    {
        return tag == other.tag && argument == other.argument;
    }
};

// Splits a log as the engine does and lists the tagged entries with their arguments.
std::vector<Applied> Walk(std::string log)
{
    std::vector<char> buffer(log.begin(), log.end());
    buffer.push_back('\0');
    TerminateLogEntries(buffer.data(), log.size());
    std::vector<Applied> applied;
    size_t position = 0;
    char* entry;
    size_t length;
    while (NextLogEntry(buffer.data(), log.size(), &position, &entry, &length)) {
        char* argument;
        LogTag tag = MatchTag(entry, length, &argument);
        if (tag != TagNone)
            applied.push_back({tag, std::string(argument, entry + length)});
    }
    return applied;
}

}  // namespace

TEST(LogText, EveryControlByteSeparatesAndTheLastEntryNeedsNoLineEnd)
{
    std::string log = std::string("file:a\r\nfile:b\nfile:c\rfile:d\tfile:e") + '\0' +
                      "file:f\x1f" + "file:g\x01link:h";
    std::vector<Applied> expected = {{TagFile, "a"}, {TagFile, "b"}, {TagFile, "c"},
                                     {TagFile, "d"}, {TagFile, "e"}, {TagFile, "f"},
                                     {TagFile, "g"}, {TagLink, "h"}};
    EXPECT_EQ(Walk(log), expected);
}

TEST(LogText, TagsIgnoreAsciiCaseAndTheArgumentKeepsItsBlanks)
{
    std::vector<Applied> expected = {{TagFile, "C:\\x.txt"}, {TagDirw, "C:\\T"},
                                     {TagKey, "HKLM\\S\\"}, {TagFile, " C:\\x.txt "},
                                     {TagDir, "C:\\D"}};
    EXPECT_EQ(Walk("FILE:C:\\x.txt\nDiRw:C:\\T\nKEY:HKLM\\S\\\nfile: C:\\x.txt \ndir:C:\\D"),
              expected);
}

TEST(LogText, DirDoesNotTakeDirwEntriesAndUnknownEntriesAreIgnored)
{
    std::vector<Applied> expected = {{TagDirw, "x"}, {TagDir, "y"}};
    EXPECT_EQ(Walk("dirw:x\ndir:y\ndi:z\ndirectory:w\nfile\nfil:e"), expected);
}

TEST(LogText, BlankBeforeTagByteOrderMarkAndHighBytesBelongToTheEntry)
{
    EXPECT_TRUE(Walk(" file:C:\\a").empty());
    EXPECT_TRUE(Walk("\xEF\xBB\xBF" "file:C:\\a").empty());
    // Only A to Z fold: a byte above 127 is never taken for a letter of a tag.
    EXPECT_TRUE(Walk("f\xC9LE:C:\\a").empty());
    std::vector<Applied> expected = {{TagFile, "C:\\\xE9t\xE9"}};
    EXPECT_EQ(Walk("\xEF\xBB\xBF" "file:C:\\a\r\nfile:C:\\\xE9t\xE9"), expected);
}

TEST(LogText, EntriesThatAreOnlyATagHaveEmptyArguments)
{
    std::vector<Applied> expected = {{TagFile, ""}, {TagDir, ""}, {TagDirw, ""}, {TagKey, ""},
                                     {TagLink, ""}};
    EXPECT_EQ(Walk("file:\ndir:\ndirw:\nkey:\nlink:"), expected);
}

TEST(LogText, EmptyOrSeparatorOnlyLogsApplyNothing)
{
    EXPECT_TRUE(Walk("").empty());
    EXPECT_TRUE(Walk("\r\n\r\n\n\t").empty());
    EXPECT_TRUE(Walk(std::string(1000, '\0')).empty());
}
