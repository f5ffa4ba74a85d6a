#include <gtest/gtest.h>

#include <string>

#include "host/text.h"

namespace {

// The joined path, or an empty one where JoinPath refuses.
std::wstring Joined(const wchar_t* directory, size_t capacity = kPathCapacity) {
    PathBuffer path;
    path.text[0] = L'?';  // not left as it was
    const bool joined = JoinPath(directory, L"xxmklink.exe", path.text, capacity);
    EXPECT_EQ(joined, path.text[0] != L'\0') << "a refused path is left empty";
    return path.text;
}

TEST(JoinPath, UsesExactlyOneBackslash) {
    EXPECT_EQ(Joined(L"Y:\\"), L"Y:\\xxmklink.exe");
    EXPECT_EQ(Joined(L"C:\\Spiele\\Velmora Mod \u00e9\u4e16"),
              L"C:\\Spiele\\Velmora Mod \u00e9\u4e16\\xxmklink.exe");
}

// A cut-off path could name another file, and an empty directory would mean the drive's root.
TEST(JoinPath, RefusesAnEmptyDirectoryAndAPathThatDoesNotFit) {
    EXPECT_EQ(Joined(L""), L"");
    EXPECT_EQ(Joined(L"C:\\Games", 16), L"");
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
    EXPECT_STREQ(text.text, L"code 0 4294967295 and far too m");
}

// The extended form, or an empty path where it does not fit.
std::wstring Extended(const std::wstring& path, size_t capacity = kPathCapacity) {
    PathBuffer result;
    result.text[0] = L'?';
    const bool fits = ExtendedLengthPath(path.c_str(), result.text, capacity);
    EXPECT_EQ(fits, result.text[0] != L'\0') << "a path that does not fit is left empty";
    return result.text;
}

// Windows refuses a path of MAX_PATH characters or more unless it is in the extended form.
TEST(ExtendedLengthPath, PrefixesOnlyPathsOfMaxPathOrMore) {
    const std::wstring deep = std::wstring(251, L'f') + L"\\a.exe";
    EXPECT_EQ(Extended(L"C:\\" + deep), L"\\\\?\\C:\\" + deep);  // 260 characters
    EXPECT_EQ(Extended(L"C:\\" + deep.substr(1)), L"C:\\" + deep.substr(1));
    EXPECT_EQ(Extended(L"\\\\server\\share\\" + deep), L"\\\\?\\UNC\\server\\share\\" + deep);
    EXPECT_EQ(Extended(L"\\\\?\\C:\\" + deep), L"\\\\?\\C:\\" + deep);
    EXPECT_EQ(Extended(L"C:\\" + deep, 264), L"");
}

TEST(TextWriter, FillsTheInsertsOfASystemMessage) {
    TextBuffer<128> text;
    text.Writer().AppendFilled(L"This version of %1!s! is not compatible; %2 too.", L"a.exe");
    EXPECT_STREQ(text.text, L"This version of a.exe is not compatible; a.exe too.");
    text.Writer().AppendFilled(L"100% done, %0, %100", L"a.exe");
    EXPECT_STREQ(text.text, L"100% done, %0, a.exe0");
}

}  // namespace
