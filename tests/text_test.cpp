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

// Windows refuses a path of MAX_PATH characters or more unless it is in the extended form.
TEST(ExtendedLengthPath, PrefixesOnlyPathsOfMaxPathOrMore) {
    const std::wstring folder(251, L'f');
    struct Case {
        std::wstring path;
        std::wstring expected;
    } const cases[] = {
        {L"C:\\" + folder + L"\\a.exe", L"\\\\?\\C:\\" + folder + L"\\a.exe"},  // 260 characters
        {L"C:\\" + folder.substr(0, 250) + L"\\a.exe",
         L"C:\\" + folder.substr(0, 250) + L"\\a.exe"},
        {L"\\\\server\\share\\" + folder + L"\\a.exe",
         L"\\\\?\\UNC\\server\\share\\" + folder + L"\\a.exe"},
        {L"\\\\?\\C:\\" + folder + L"\\a.exe", L"\\\\?\\C:\\" + folder + L"\\a.exe"},
    };
    for (const Case& c : cases) {
        PathBuffer path;
        EXPECT_TRUE(ExtendedLengthPath(c.path.c_str(), path.text, kPathCapacity));
        EXPECT_EQ(std::wstring(path.text), c.expected) << c.path.size() << " characters";
    }
    wchar_t small[300];
    EXPECT_FALSE(ExtendedLengthPath(cases[0].path.c_str(), small, 264));
    EXPECT_STREQ(small, L"");
}

TEST(TextWriter, FillsTheInsertsOfASystemMessage) {
    struct Case {
        const wchar_t* text;
        const wchar_t* expected;
    } const cases[] = {
        {L"This version of %1!s! is not compatible; %2 too.",
         L"This version of a.exe is not compatible; a.exe too."},
        {L"100% done, %0, %100", L"100% done, %0, a.exe0"},
    };
    for (const Case& c : cases) {
        TextBuffer<128> text;
        text.Writer().AppendFilled(c.text, L"a.exe");
        EXPECT_STREQ(text.text, c.expected);
    }
}

}  // namespace
