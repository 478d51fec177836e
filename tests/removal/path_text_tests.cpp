#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "removal/path_text.h"

namespace {

// A path buffer with a guard area behind it, to see that nothing is written past the end.
struct GuardedPath {
    char bytes[PathBufferSize + 16];
    GuardedPath(const std::string& text)
    {
        memset(bytes, '#', sizeof bytes);
        memcpy(bytes, text.c_str(), text.size() + 1);
    }
    bool GuardIntact() const
    {
        for (size_t i = PathBufferSize; i < sizeof bytes; ++i)
            if (bytes[i] != '#')
                return false;
        return true;
    }
};

}  // namespace

TEST(PathText, AppendComponentFillsTheBufferExactlyAndRefusesOneMore)
{
    // "C:\" + 252 characters + "\" + name: lengths 257, 258, 259, 260 with names of 1 to 4.
    std::string directory = "C:\\" + std::string(252, 'd');
    for (size_t nameLength = 1; nameLength <= 4; ++nameLength) {
        GuardedPath path(directory);
        std::string name(nameLength, 'n');
        bool fits = directory.size() + 1 + nameLength <= PathBufferSize - 1;
        EXPECT_EQ(AppendComponent(path.bytes, PathBufferSize, name.c_str()), fits) << nameLength;
        EXPECT_EQ(std::string(path.bytes), fits ? directory + "\\" + name : directory);
        EXPECT_TRUE(path.GuardIntact());
    }
}

TEST(PathText, AppendComponentAddsOneSeparatorOnly)
{
    GuardedPath withSeparator("C:\\a\\");
    ASSERT_TRUE(AppendComponent(withSeparator.bytes, PathBufferSize, "b"));
    EXPECT_STREQ(withSeparator.bytes, "C:\\a\\b");
    GuardedPath empty("");
    ASSERT_TRUE(AppendComponent(empty.bytes, PathBufferSize, "b"));
    EXPECT_STREQ(empty.bytes, "\\b");
}

TEST(PathText, SearchPathIsBoundedAtTheBufferSize)
{
    std::string fits(255, 'd');    // + "\*.*" = 259 characters
    std::string tooLong(256, 'd');
    GuardedPath out("");
    EXPECT_TRUE(BuildSearchPath(out.bytes, PathBufferSize, fits.c_str(), "*.*"));
    EXPECT_EQ(std::string(out.bytes), fits + "\\*.*");
    EXPECT_FALSE(BuildSearchPath(out.bytes, PathBufferSize, tooLong.c_str(), "*.*"));
    EXPECT_STREQ(out.bytes, "");
    EXPECT_FALSE(BuildSearchPath(out.bytes, PathBufferSize, std::string(300, 'd').c_str(), ""));
    EXPECT_TRUE(out.GuardIntact());
    EXPECT_TRUE(BuildSearchPath(out.bytes, PathBufferSize, "C:\\A", nullptr));
    EXPECT_STREQ(out.bytes, "C:\\A");
}

TEST(PathText, CopyBoundedTakesAt259Characters)
{
    GuardedPath out("");
    EXPECT_TRUE(CopyBounded(out.bytes, PathBufferSize, std::string(259, 'p').c_str()));
    EXPECT_EQ(strlen(out.bytes), 259u);
    EXPECT_FALSE(CopyBounded(out.bytes, PathBufferSize, std::string(260, 'p').c_str()));
    EXPECT_STREQ(out.bytes, "");
    EXPECT_TRUE(out.GuardIntact());
}

TEST(PathText, BaseNamePrefersBackslashThenSlashThenColon)
{
    EXPECT_STREQ(BaseName("C:\\a/b\\c"), "c");
    EXPECT_STREQ(BaseName("a/b"), "b");
    EXPECT_STREQ(BaseName("C:name"), "name");
    EXPECT_STREQ(BaseName("plain"), "plain");
    EXPECT_STREQ(BaseName("C:\\dir\\"), "");
}

TEST(PathText, FullPathsAreDriveOrShareBased)
{
    EXPECT_TRUE(IsFullPathSyntax("C:\\Program Files\\Vantrel"));
    EXPECT_TRUE(IsFullPathSyntax("\\\\server\\share\\dir"));
    EXPECT_TRUE(IsFullPathSyntax("\\\\server\\share"));
    for (const char* relative : {"", ".", "..\\x", "dir\\sub", "C:dir", "\\dir", "\\\\server",
                                 "\\\\server\\", "\\\\\\share", "1:\\x", "C:/x"})
        EXPECT_FALSE(IsFullPathSyntax(relative)) << relative;
}

TEST(PathText, RootsAreDrivesAndSharesWithOrWithoutTheirBackslash)
{
    for (const char* root : {"C:", "c:\\", "\\\\server\\share", "\\\\server\\share\\",
                             "\\\\server", "\\\\?\\C:\\"})
        EXPECT_TRUE(IsRootPath(root)) << root;
    for (const char* below : {"C:\\x", "C:\\x\\", "\\\\server\\share\\x", "C:\\\\"})
        EXPECT_FALSE(IsRootPath(below)) << below;
}
