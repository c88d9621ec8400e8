#include <gtest/gtest.h>

#include <windows.h>

#include "ui/core/StringOrId.h"
#include "ui/core/UIGeometry.h"
#include "ui/core/WaitCursor.h"

using SkinUI::CPoint;
using SkinUI::CSize;
using SkinUI::CUIRect;

TEST(UIGeometry, RectOperations)
{
    CUIRect r(10, 20, 110, 70);
    EXPECT_EQ(100, r.GetWidth());
    EXPECT_EQ(50, r.GetHeight());
    EXPECT_FALSE(r.IsNull());

    r.Offset(5, -5);
    EXPECT_EQ(CUIRect(15, 15, 115, 65).left, r.left);
    EXPECT_EQ(65, r.bottom);
    r.Inflate(2, 3);
    EXPECT_EQ(13, r.left);
    EXPECT_EQ(12, r.top);
    r.Deflate(2, 3);
    EXPECT_EQ(15, r.left);
    EXPECT_EQ(115, r.right);
    r.ResetOffset();
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(0, r.top);
    EXPECT_EQ(100, r.right);
    EXPECT_EQ(50, r.bottom);

    CUIRect reversed(50, 40, 10, 5);
    reversed.Normalize();
    EXPECT_EQ(10, reversed.left);
    EXPECT_EQ(5, reversed.top);
    EXPECT_EQ(50, reversed.right);
    EXPECT_EQ(40, reversed.bottom);

    // Join takes the bounding box even of an empty rectangle at the origin,
    // Union ignores an empty one.
    CUIRect a(10, 10, 20, 20);
    CUIRect empty;
    EXPECT_TRUE(empty.IsNull());
    a.Join(empty);
    EXPECT_EQ(0, a.left);
    EXPECT_EQ(20, a.right);
    CUIRect b(10, 10, 20, 20);
    b.Union(empty);
    EXPECT_EQ(10, b.left);
    CUIRect c(30, 0, 40, 5);
    b.Union(c);
    EXPECT_EQ(10, b.left);
    EXPECT_EQ(0, b.top);
    EXPECT_EQ(40, b.right);
    EXPECT_EQ(20, b.bottom);

    RECT raw = { 1, 2, 3, 4 };
    CUIRect fromRaw(raw);
    EXPECT_EQ(4, fromRaw.bottom);
    fromRaw.Empty();
    EXPECT_TRUE(fromRaw.IsNull());
}

TEST(UIGeometry, SizeAndPoint)
{
    CSize none;
    EXPECT_EQ(0, none.cx);
    CSize s(CUIRect(10, 20, 15, 60));
    EXPECT_EQ(5, s.cx);
    EXPECT_EQ(40, s.cy);

    // Mouse coordinates are signed 16-bit values (a second monitor on the left).
    CPoint p(MAKELPARAM(static_cast<WORD>(-20), 300));
    EXPECT_EQ(-20, p.x);
    EXPECT_EQ(300, p.y);
    CPoint q(MAKELPARAM(100, static_cast<WORD>(-1)));
    EXPECT_EQ(100, q.x);
    EXPECT_EQ(-1, q.y);
    POINT raw = { 7, 8 };
    CPoint r(raw);
    EXPECT_EQ(8, r.y);
    CPoint zero;
    EXPECT_EQ(0, zero.x);
}

TEST(StringOrId, StringOrIntegerResource)
{
    SkinUI::STRINGorID name(L"update.xml");
    EXPECT_FALSE(IS_INTRESOURCE(name.m_lpstr));
    EXPECT_STREQ(L"update.xml", name.m_lpstr);
    SkinUI::STRINGorID id(129u);
    EXPECT_TRUE(IS_INTRESOURCE(id.m_lpstr));
    EXPECT_EQ(129u, reinterpret_cast<ULONG_PTR>(id.m_lpstr));
    // Identifiers never turn into pointers.
    SkinUI::STRINGorID wide(0x12345u);
    EXPECT_TRUE(IS_INTRESOURCE(wide.m_lpstr));
}

TEST(WaitCursor, ShowsHourGlassAndRestores)
{
    HCURSOR arrow = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    SetCursor(arrow);
    {
        SkinUI::CWaitCursor wait;
        EXPECT_EQ(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)), GetCursor());
    }
    EXPECT_EQ(arrow, GetCursor());
}
