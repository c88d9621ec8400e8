#include <gtest/gtest.h>

#include <malloc.h>

#include <string>

#include "ui/core/UIString.h"

using SkinUI::CUIString;

namespace {

bool IsInline(const CUIString& s)
{
    const char* object = reinterpret_cast<const char*>(&s);
    const char* data = reinterpret_cast<const char*>(s.GetData());
    return data >= object && data < object + sizeof(CUIString);
}

size_t HeapChars(const CUIString& s)
{
    return _msize(const_cast<wchar_t*>(s.GetData())) / sizeof(wchar_t);
}

} // namespace

TEST(UIString, StorageBoundaryBetweenInlineAndHeap)
{
    CUIString s(std::wstring(62, L'a').c_str());
    EXPECT_EQ(62, s.GetLength());
    EXPECT_TRUE(IsInline(s));

    s += L'b';
    EXPECT_EQ(63, s.GetLength());
    ASSERT_FALSE(IsInline(s));
    EXPECT_EQ(64u, HeapChars(s));
    EXPECT_EQ(L'b', s[62]);

    s.Append(L"cd");
    EXPECT_EQ(66u, HeapChars(s));
    EXPECT_EQ(std::wstring(62, L'a') + L"bcd", s.GetData());

    s = L"0123456789";
    EXPECT_TRUE(IsInline(s));
    EXPECT_EQ(std::wstring(L"0123456789"), s.GetData());

    CUIString big(std::wstring(100, L'x').c_str());
    EXPECT_EQ(101u, HeapChars(big));
    // A heap block large enough is reused for a shorter long text.
    big.Assign(std::wstring(70, L'y').c_str());
    EXPECT_EQ(101u, HeapChars(big));
    EXPECT_EQ(70, big.GetLength());
    big.Empty();
    EXPECT_TRUE(IsInline(big));
    EXPECT_TRUE(big.IsEmpty());

    CUIString copy(CUIString(std::wstring(80, L'z').c_str()));
    EXPECT_EQ(81u, HeapChars(copy));
    EXPECT_EQ(80, copy.GetLength());
}

TEST(UIString, AssignPadsAndCutsToMaxLength)
{
    CUIString s;
    s.Assign(L"abcdef", 3);
    EXPECT_EQ(std::wstring(L"abc"), s.GetData());
    s.Assign(nullptr);
    EXPECT_TRUE(s.IsEmpty());
    // A long maxLength over a shorter text: heap block of maxLength + 1, padded.
    s.Assign(L"short", 70);
    EXPECT_EQ(5, s.GetLength());
    EXPECT_FALSE(IsInline(s));
    EXPECT_EQ(71u, HeapChars(s));
    CUIString t(L"whole", -1);
    EXPECT_EQ(5, t.GetLength());
}

TEST(UIString, AssignAndAppendFromOwnBuffer)
{
    CUIString s(L"hello world");
    s.Assign(s.GetData() + 6);
    EXPECT_EQ(std::wstring(L"world"), s.GetData());

    std::wstring longText(90, L'q');
    longText += L"tail";
    CUIString heap(longText.c_str());
    heap.Assign(heap.GetData() + 90);
    EXPECT_EQ(std::wstring(L"tail"), heap.GetData());

    CUIString grow(std::wstring(40, L'g').c_str());
    grow += grow;
    EXPECT_EQ(std::wstring(80, L'g'), grow.GetData());
    grow += grow.GetData() + 70;
    EXPECT_EQ(90, grow.GetLength());

    CUIString self(L"same");
    const CUIString& alias = self;
    self = alias;
    EXPECT_EQ(std::wstring(L"same"), self.GetData());
}

TEST(UIString, OperatorsWithNullAndNarrowText)
{
    CUIString s(L"abc");
    s += static_cast<const wchar_t*>(nullptr);
    EXPECT_EQ(std::wstring(L"abc"), s.GetData());
    CUIString sum = s + static_cast<const wchar_t*>(nullptr);
    EXPECT_EQ(std::wstring(L"abc"), sum.GetData());
    s = static_cast<const wchar_t*>(nullptr);
    EXPECT_TRUE(s.IsEmpty());

    s = "plain";
    EXPECT_EQ(std::wstring(L"plain"), s.GetData());
    s += " ascii";
    EXPECT_EQ(std::wstring(L"plain ascii"), s.GetData());
    s += static_cast<const char*>(nullptr);
    EXPECT_EQ(11, s.GetLength());
    // Narrow text is in the ANSI code page: GBK, as the tests run.
    ASSERT_EQ(936u, GetACP());
    s = "\xB9\xD8\xB1\xD5";
    EXPECT_EQ(std::wstring(L"\u5173\u95ed"), s.GetData());
    s = static_cast<const char*>(nullptr);
    EXPECT_TRUE(s.IsEmpty());

    s = L'x';
    EXPECT_EQ(std::wstring(L"x"), s.GetData());
    CUIString joined = CUIString(L"ab") + CUIString(L"cd") + L"ef";
    EXPECT_EQ(std::wstring(L"abcdef"), joined.GetData());

    EXPECT_TRUE(joined == L"abcdef");
    EXPECT_TRUE(joined != L"abcdeF");
    EXPECT_TRUE(joined < L"abd");
    EXPECT_TRUE(joined <= L"abcdef");
    EXPECT_TRUE(joined > L"ABCDEF");
    EXPECT_TRUE(joined >= L"abc");
    EXPECT_EQ(0, joined.CompareNoCase(L"ABCdef"));
    EXPECT_NE(0, joined.Compare(L"ABCdef"));
    joined.MakeUpper();
    EXPECT_EQ(std::wstring(L"ABCDEF"), joined.GetData());
    joined.MakeLower();
    EXPECT_EQ(std::wstring(L"abcdef"), joined.GetData());
    joined.SetAt(0, L'Z');
    EXPECT_EQ(L'Z', joined.GetAt(0));
}

TEST(UIString, FindBoundaries)
{
    CUIString s(L"abcabc");
    EXPECT_EQ(1, s.Find(L'b'));
    EXPECT_EQ(4, s.Find(L'b', 2));
    EXPECT_EQ(-1, s.Find(L'b', 6));
    EXPECT_EQ(-1, s.Find(L'a', -1));
    EXPECT_EQ(6, s.Find(L"", 6));
    EXPECT_EQ(-1, s.Find(L"", 7));
    EXPECT_EQ(3, s.Find(L"abc", 1));
    EXPECT_EQ(-1, s.Find(L"abcd"));
    EXPECT_EQ(5, s.ReverseFind(L'c'));
    EXPECT_EQ(-1, s.ReverseFind(L'z'));
    EXPECT_EQ(-1, s.Find(L'\0'));
    CUIString empty;
    EXPECT_EQ(-1, empty.Find(L'a'));
    EXPECT_EQ(0, empty.Find(L""));
}

TEST(UIString, LeftMidRightBoundaries)
{
    CUIString s(L"abcdef");
    EXPECT_EQ(std::wstring(L"cdef"), s.Mid(2).GetData());
    EXPECT_EQ(std::wstring(L"ef"), s.Mid(4, 10).GetData());
    EXPECT_EQ(std::wstring(L"cd"), s.Mid(2, 2).GetData());
    EXPECT_TRUE(s.Mid(2, 0).IsEmpty());
    EXPECT_TRUE(s.Mid(6).IsEmpty());
    EXPECT_TRUE(s.Mid(9, 2).IsEmpty());
    EXPECT_TRUE(s.Left(-3).IsEmpty());
    EXPECT_EQ(std::wstring(L"ab"), s.Left(2).GetData());
    EXPECT_EQ(std::wstring(L"abcdef"), s.Left(99).GetData());
    EXPECT_EQ(std::wstring(L"abc"), CUIString(L"abc").Right(10).GetData());
    EXPECT_EQ(std::wstring(L"ef"), s.Right(2).GetData());
    EXPECT_TRUE(s.Right(-1).IsEmpty());
}

TEST(UIString, ReplaceResumesAfterInsertedText)
{
    CUIString s(L"aa");
    EXPECT_EQ(2, s.Replace(L"a", L"aa"));
    EXPECT_EQ(std::wstring(L"aaaa"), s.GetData());

    CUIString t(L"x--y--z");
    EXPECT_EQ(2, t.Replace(L"--", L""));
    EXPECT_EQ(std::wstring(L"xyz"), t.GetData());
    EXPECT_EQ(0, t.Replace(L"", L"q"));
    EXPECT_EQ(0, t.Replace(L"nope", L"q"));

    CUIString grow(std::wstring(60, L'.').c_str());
    EXPECT_EQ(60, grow.Replace(L".", L"ab"));
    EXPECT_EQ(120, grow.GetLength());
}

TEST(UIString, FormatFollowsWvsprintfAndSmallFormatCuts)
{
    CUIString s;
    int n = s.Format(L"dest='%d,%d,%d,%d' %s %x", 1, -2, 30, 400, L"src", 255);
    EXPECT_EQ(std::wstring(L"dest='1,-2,30,400' src ff"), s.GetData());
    EXPECT_EQ(s.GetLength(), n);

    n = s.SmallFormat(L"dest='%d,%d,%d,%d' source='%d,%d,%d,%d'", 0, 0, 10, 10, 5, 5, 15, 15);
    EXPECT_EQ(std::wstring(L"dest='0,0,10,10' source='5,5,15,15'"), s.GetData());
    EXPECT_EQ(s.GetLength(), n);

    std::wstring long100(100, L'w');
    n = s.SmallFormat(L"%s!", long100.c_str());
    EXPECT_EQ(63, s.GetLength());
    EXPECT_EQ(63, n);
    EXPECT_EQ(long100.substr(0, 63), s.GetData());

    std::wstring huge(3000, L'h');
    s.Format(L"%s", huge.c_str());
    EXPECT_LE(s.GetLength(), 1024);
    EXPECT_GT(s.GetLength(), 1000);
}
