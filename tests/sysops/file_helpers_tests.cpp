#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "sysops/file_helpers.h"
#include "tests/support/test_support.h"

TEST(QueryEntryInfo, TellsAbsentDirectoryAndFile)
{
    ScratchDirectory scratch;
    WriteTextFile(scratch.Path("file.txt"), "twelve bytes");
    EntryInfo info{};

    info.kind = EntryFile;
    EXPECT_EQ(QueryEntryInfo(scratch.Path("missing").c_str(), &info), nullptr);
    EXPECT_EQ(info.kind, EntryAbsent);

    EXPECT_EQ(QueryEntryInfo(scratch.Path().c_str(), &info), nullptr);
    EXPECT_EQ(info.kind, EntryDirectory);

    EXPECT_EQ(QueryEntryInfo(scratch.Path("file.txt").c_str(), &info), nullptr);
    EXPECT_EQ(info.kind, EntryFile);
    EXPECT_EQ(info.size, 12u);
    EXPECT_EQ(info.attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

TEST(QueryEntryInfo, ReportsTheLow32BitsOfAHugeFilesSize)
{
    ScratchDirectory scratch;
    ASSERT_TRUE(WriteSparseFile(scratch.Path("huge"), "", 5000000000ull));
    EntryInfo info{};
    EXPECT_EQ(QueryEntryInfo(scratch.Path("huge").c_str(), &info), nullptr);
    EXPECT_EQ(info.kind, EntryFile);
    EXPECT_EQ(info.size, 705032704u);
}

TEST(ReadWholeFile, StopsQuietlyAtTheEndOfTheFile)
{
    ScratchDirectory scratch;
    WriteTextFile(scratch.Path("data"), "twelve bytes");
    HANDLE file;
    ASSERT_EQ(OpenForReading(scratch.Path("data").c_str(), &file), nullptr);
    std::string buffer(20, '#');
    EXPECT_EQ(ReadWholeFile(file, &buffer[0], 20), nullptr);
    EXPECT_EQ(CloseKeepingFirst(file, nullptr), nullptr);
    EXPECT_EQ(buffer, "twelve bytes########");
}

TEST(ReadWholeFile, GoesOnUntilEveryByteHasArrived)
{
    // Each read from a message pipe returns one message only, so three take three reads.
    std::string name = "\\\\.\\pipe\\uninstall-tests-" + std::to_string(GetCurrentProcessId());
    HANDLE reader = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_INBOUND,
                                     PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE, 1, 0, 65536, 0,
                                     nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    HANDLE writer = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    DWORD written;
    for (const char* message : {"first,", "second,", "third"})
        ASSERT_TRUE(WriteFile(writer, message, static_cast<DWORD>(strlen(message)), &written,
                              nullptr));

    char buffer[18] = {};
    EXPECT_EQ(ReadWholeFile(reader, buffer, 18), nullptr);
    EXPECT_EQ(std::string(buffer, 18), "first,second,third");
    CloseHandle(writer);
    CloseHandle(reader);
}

TEST(CloseKeepingFirst, KeepsTheEarlierFailureAndStillCloses)
{
    ScratchDirectory scratch;
    WriteTextFile(scratch.Path("f"), "x");
    HANDLE file;
    ASSERT_EQ(OpenForReading(scratch.Path("f").c_str(), &file), nullptr);

    Status earlier = FailWithCode(ERROR_READ_FAULT, "ReadFile", nullptr);
    Status status = CloseKeepingFirst(file, earlier);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->code, ERROR_READ_FAULT);
    // Opened without write sharing: a writer gets in only once the handle is closed.
    HANDLE writer = CreateFileA(scratch.Path("f").c_str(), GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE);
    CloseHandle(writer);

    // With no earlier failure, the close's own failure counts: a handle already closed.
    ASSERT_EQ(OpenForReading(scratch.Path("f").c_str(), &file), nullptr);
    CloseHandle(file);
    status = CloseKeepingFirst(file, nullptr);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->code, ERROR_INVALID_HANDLE);
}
