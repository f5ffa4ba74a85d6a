#include <gtest/gtest.h>

#include <string>

#include "host/text.h"

namespace {

TEST(JoinPath, UsesExactlyOneBackslash) {
    struct Case {
        const wchar_t* directory;
        const wchar_t* expected;
    } const cases[] = {
        {L"C:\\Games\\Velmora", L"C:\\Games\\Velmora\\xxmklink.exe"},
        {L"Y:\\", L"Y:\\xxmklink.exe"},
        {L"\\\\server\\share", L"\\\\server\\share\\xxmklink.exe"},
        {L"C:\\Spiele\\Velmora Mod \u00e9\u4e16",
         L"C:\\Spiele\\Velmora Mod \u00e9\u4e16\\xxmklink.exe"},
    };
    for (const Case& c : cases) {
        PathBuffer path;
        EXPECT_TRUE(JoinPath(c.directory, L"xxmklink.exe", path.text, kPathCapacity));
        EXPECT_EQ(std::wstring(path.text), c.expected);
    }
}

// A cut-off path could name another file, and an empty directory would mean the drive's root.
TEST(JoinPath, RefusesAnEmptyDirectoryAndAPathThatDoesNotFit) {
    PathBuffer path;
    EXPECT_FALSE(JoinPath(L"", L"xxmklink.exe", path.text, kPathCapacity));
    EXPECT_STREQ(path.text, L"");
    wchar_t small[16];
    EXPECT_FALSE(JoinPath(L"C:\\Games", L"xxmklink.exe", small, 16));
    EXPECT_STREQ(small, L"");
}

TEST(DirectoryLength, CoversTheDirectoryAndItsLastSeparator) {
    EXPECT_EQ(DirectoryLength(L"C:\\Games\\Velmora\\a.exe"), 17u);
    EXPECT_EQ(DirectoryLength(L"Y:\\a.exe"), 3u);
    EXPECT_EQ(DirectoryLength(L"a.exe"), 0u);
}

TEST(TextWriter, AppendsNumbersAndReportsTruncation) {
    TextBuffer<32> text;
    TextWriter writer = text.Writer();
    writer.Append(L"code ").AppendNumber(0).Append(L" ").AppendNumber(4294967295u);
    EXPECT_STREQ(text.text, L"code 0 4294967295");
    EXPECT_FALSE(writer.Truncated());
    writer.Append(L" and far too much to fit");
    EXPECT_TRUE(writer.Truncated());
    EXPECT_EQ(writer.Length(), 31u);
}

}  // namespace
