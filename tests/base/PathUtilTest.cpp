#include "base/PathUtil.h"
#include "base/TextConversion.h"

#include <gtest/gtest.h>

TEST(PathUtil, ContainmentTable)
{
    struct Case {
        const char* path;
        bool contained;
    };
    const Case cases[] = {
        {"a.txt", true},
        {"bin/core.dll", true},
        {"bin\\sub\\x.dat", true},
        {"./a/./b", true},
        {"folder/", true},
        {"", false},
        {"/etc/passwd", false},
        {"\\windows\\x", false},
        {"C:evil.dll", false},
        {"c:\\x", false},
        {"..", false},
        {"../x", false},
        {"a/../b", false},
        {"a\\..\\..\\b", false},
        {"...", false},
        {".. /x", false},
        {"a/b./c", false},
        {"a/b /c", false},
        {"name.", false},
        {"stream.txt:alt", false},
        // Device names, in any case, with or without an extension.
        {"CON", false},
        {"bin/nul", false},
        {"Aux.txt", false},
        {"a\\prn.tar.gz", false},
        {"com1", false},
        {"LPT9.log", false},
        {"COM1 .txt", false},
        {"conout$", false},
        {"x/con.", false},
        {"nul /x", false},
        {"console.txt", true},
        {"com10", true},
        {"lpt", true},
        {"auxiliary/a", true},
        {"a.con", true},
        {"line\nbreak.dll", false},
        {"tab\there", false},
        {"wild*.dll", false},
        {"what?.txt", false},
        {"a/<b>/c", false},
        {"pipe|.txt", false},
        {"quote\".txt", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsContainedRelativePath(std::string_view(c.path)), c.contained) << c.path;

    // GBK: the second byte of U+6DFA is 0x5C, which is not a separator, and a
    // component ending in it does not end in a dot.
    const std::string gbk = ToNarrow(L"\u6DFA/a.xml", 936);
    ASSERT_EQ(gbk[1], '\\');
    EXPECT_TRUE(IsContainedRelativePath(std::string_view(gbk)));
    EXPECT_FALSE(IsContainedRelativePath(std::wstring_view(L"\u5173\u95ED/../x")));
    EXPECT_FALSE(IsContainedRelativePath(std::wstring_view(L"a/COM\u00B2.txt")));
}

TEST(PathUtil, SplitsAndConverts)
{
    // SplitPath, EndsWith and ToBackslashes are covered with the engine's paths.
    EXPECT_EQ(ParentFolder("C:\\a\\b.exe"), "C:\\a");
    EXPECT_EQ(ParentFolder("b.exe"), "b.exe");
    EXPECT_EQ(FileNameOf("C:\\a\\b.exe"), "b.exe");
    EXPECT_EQ(FileNameOf("b.exe"), "b.exe");
    // The 0x5C second byte of GBK's U+6DFA separates nothing.
    const std::string gbk = ToNarrow(L"C:\\a\\\u6DFA\\\u6DFA.txt", 936);
    EXPECT_EQ(ToWide(ParentFolder(gbk), 936), L"C:\\a\\\u6DFA");
    EXPECT_EQ(ToWide(FileNameOf(gbk), 936), L"\u6DFA.txt");
    EXPECT_EQ(FileNameOf(ToNarrow(L"\u6DFA", 936)), ToNarrow(L"\u6DFA", 936));
    EXPECT_EQ(FindSeparator(gbk, 5), 7u);

    // Conversions keep embedded NULs and round-trip through GBK and UTF-8.
    const std::wstring wide(L"\u6B63\u5728\u4E0B\u8F7D\0x", 6);
    EXPECT_EQ(ToWide(ToNarrow(wide, 936), 936), wide);
    EXPECT_EQ(ToUtf8(ToNarrow(L"\u7248\u672C", 936), 936), "\xE7\x89\x88\xE6\x9C\xAC");
    EXPECT_EQ(ToWide(""), L"");
}

TEST(PathUtil, PlainFileNameIsOneContainedComponent)
{
    EXPECT_TRUE(IsPlainFileName("Corvane Player.exe"));
    EXPECT_TRUE(IsPlainFileName(std::string(kMaxFileNameLength, 'n')));
    EXPECT_FALSE(IsPlainFileName(std::string(kMaxFileNameLength + 1, 'n')));
    for (const char* name : {"", ".", "..", "a/b", "a\\b", "folder/", "C:x", "nul.tar.xz", "name."})
        EXPECT_FALSE(IsPlainFileName(name)) << name;
    // A GBK name whose second byte is 0x5C is still one name.
    EXPECT_TRUE(IsPlainFileName(ToNarrow(L"\u6DFA.txt", 936)));
}
