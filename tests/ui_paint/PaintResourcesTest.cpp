// The paint manager's resource registry: fonts, images, colours, default
// attribute lists and option groups along the parent chain.
#include "PaintTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace SkinUI;

namespace {

std::wstring WideDataDir()
{
    std::string dir = TestDataDir();
    return std::wstring(dir.begin(), dir.end());
}

LONG WeightOf(HFONT font)
{
    LOGFONTW lf = {};
    ::GetObjectW(font, sizeof(lf), &lf);
    return lf.lfWeight;
}

TEST(PaintResources, FontsAlongTheParentChain)
{
    CPaintManagerUI parent;
    CPaintManagerUI child;
    ASSERT_TRUE(child.UseParentResource(&parent));
    EXPECT_FALSE(parent.UseParentResource(&child)) << "a cycle";
    EXPECT_FALSE(child.UseParentResource(&child));

    HFONT p0 = parent.AddFont(L"Arial", 12, false, false, false);
    HFONT p1 = parent.AddFont(L"Arial", 14, true, false, false);
    HFONT c0 = child.AddFont(L"Tahoma", 10, false, true, false);
    ASSERT_TRUE(p0 && p1 && c0);
    EXPECT_EQ(child.AddFontAt(3, L"Arial", 9, false, false, false), nullptr);
    HFONT c1 = child.AddFontAt(0, L"Arial", 9, false, false, true);
    ASSERT_NE(c1, nullptr);

    const struct {
        int index;
        HFONT expected;
    } byNumber[] = { { 0, c1 }, { 1, c0 }, { 2, nullptr }, { -1, nullptr } };
    for (const auto& row : byNumber) {
        // Beyond the child's own list: the parent's font of that number, else
        // the default font of the chain's top.
        HFONT expected = row.expected;
        if (row.index == 2) expected = parent.GetDefaultFontInfo()->font.Get();
        if (row.index == -1) expected = parent.GetDefaultFontInfo()->font.Get();
        EXPECT_EQ(child.GetFont(row.index), expected) << row.index;
    }
    CPaintManagerUI grandChild;
    grandChild.UseParentResource(&child);
    EXPECT_EQ(grandChild.GetFont(1), c0);
    EXPECT_EQ(grandChild.GetFont(0), c1);
    EXPECT_TRUE(parent.RemoveFontAt(0));
    EXPECT_FALSE(parent.RemoveFontAt(5));
    EXPECT_EQ(child.GetFont(L"Arial", 12, false, false, false), nullptr);

    EXPECT_EQ(child.GetFont(L"Arial", 14, true, false, false), p1);
    EXPECT_EQ(child.GetFont(L"arial", 14, true, false, false), nullptr);
    EXPECT_TRUE(child.FindFont(p1));
    EXPECT_EQ(child.GetFontIndex(p1), -1) << "own list only";
    EXPECT_EQ(parent.GetFontIndex(p1), 0) << "p0 removed";
    EXPECT_EQ(child.GetFontInfo(p1)->size, 14);
    EXPECT_GT(child.GetFontInfo(1)->metrics.tmHeight, 0);
    EXPECT_TRUE(child.RemoveFont(c0));
    EXPECT_FALSE(child.RemoveFont(c0));
    EXPECT_EQ(child.GetCustomFontCount(), 1);

    // Bold adds 700 to the system font's weight.
    LONG systemWeight = WeightOf(static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)));
    parent.SetDefaultFont(L"Arial", 13, true, false, false);
    EXPECT_EQ(WeightOf(child.GetDefaultFontInfo()->font.Get()), systemWeight + 700);
    if (systemWeight == FW_NORMAL) {
        EXPECT_EQ(WeightOf(child.GetDefaultFontInfo()->font.Get()), 1100);
    }
    EXPECT_EQ(WeightOf(p1), systemWeight + 700);
    EXPECT_EQ(child.GetDefaultFontInfo()->size, 13);
}

TEST(PaintResources, ColoursOfTheChainTop)
{
    CPaintManagerUI parent;
    CPaintManagerUI child;
    child.UseParentResource(&parent);
    child.SetDefaultFontColor(0xFF111111);
    child.SetDefaultDisabledColor(0xFF222222);
    parent.SetDefaultLinkFontColor(0xFF333333);
    const struct {
        DWORD (CPaintManagerUI::*get)() const;
        DWORD expected;
    } rows[] = {
        { &CPaintManagerUI::GetDefaultFontColor, 0xFF000000 },
        { &CPaintManagerUI::GetDefaultDisabledColor, 0xFFA7A6AA },
        { &CPaintManagerUI::GetDefaultLinkFontColor, 0xFF333333 },
        { &CPaintManagerUI::GetDefaultLinkHoverFontColor, 0xFFD3215F },
        { &CPaintManagerUI::GetDefaultSelectedBkColor, 0xFFBAE4FF },
    };
    for (const auto& row : rows) EXPECT_EQ((child.*row.get)(), row.expected);
    child.UseParentResource(nullptr);
    EXPECT_EQ(child.GetDefaultFontColor(), 0xFF111111u);
}

TEST(PaintResources, ImagesByName)
{
    CPaintManagerUI::SetResourcePath(WideDataDir().c_str());
    CPaintManagerUI::SetResourceZip(L"", false);
    CPaintManagerUI parent;
    CPaintManagerUI child;
    child.UseParentResource(&parent);

    TImageInfo* red = parent.AddImage(L"red.png");
    ASSERT_NE(red, nullptr);
    EXPECT_EQ(red->width, 4);
    EXPECT_EQ(red->height, 3);
    EXPECT_FALSE(red->hasAlpha);
    EXPECT_EQ(child.GetImage(L"red.png"), red);
    EXPECT_EQ(parent.AddImage(L"missing.png"), nullptr);
    EXPECT_EQ(parent.AddImage(L"red.png", L"PNG"), nullptr) << "a typed name must be a number";

    // Adding a registered name again keeps the registered image alive.
    TImageInfo* again = parent.AddImage(L"red.png");
    EXPECT_TRUE(again == nullptr || again == red);
    BITMAP bm = {};
    EXPECT_EQ(::GetObjectW(red->bitmap.Get(), sizeof(bm), &bm), static_cast<int>(sizeof(bm)));
    EXPECT_EQ(bm.bmBitsPixel, 32);

    // GetImageEx looks at the own map only and loads on first use.
    TImageInfo* own = child.GetImageEx(L"red.png");
    ASSERT_NE(own, nullptr);
    EXPECT_NE(own, red);
    EXPECT_EQ(child.GetImageEx(L"red.png"), own);
    EXPECT_EQ(child.GetImage(L"red.png"), own);
    TImageInfo* half = child.GetImageEx(L"half.png", nullptr, 0);
    ASSERT_NE(half, nullptr);
    EXPECT_TRUE(half->hasAlpha);

    HBITMAP made = ::CreateBitmap(2, 2, 1, 32, nullptr);
    EXPECT_EQ(child.AddImage(L"made", made, 0, 2, false), nullptr);
    TImageInfo* registered = child.AddImage(L"made", made, 2, 2, true);
    ASSERT_NE(registered, nullptr);
    TImageInfo* twice = child.AddImage(L"made", ::CreateBitmap(2, 2, 1, 32, nullptr), 2, 2, true);
    EXPECT_TRUE(twice == nullptr || twice == registered);
    EXPECT_EQ(registered->bitmap.Get(), made);
    EXPECT_EQ(child.AddImage(L"made", made, 2, 2, true), registered) << "the same bitmap again";
    BITMAP kept = {};
    EXPECT_NE(::GetObjectW(made, sizeof(kept), &kept), 0) << "still alive";

    child.ReloadAllImages();
    EXPECT_EQ(child.GetImage(L"red.png"), own) << "reloaded in place";
    EXPECT_EQ(own->width, 4);
    EXPECT_TRUE(child.RemoveImage(L"red.png"));
    EXPECT_FALSE(child.RemoveImage(L"red.png"));
    EXPECT_EQ(child.GetImage(L"red.png"), red) << "the parent's again";
}

TEST(PaintResources, AttributeListsOptionGroupsAndHsl)
{
    CPaintManagerUI parent;
    CPaintManagerUI child;
    child.UseParentResource(&parent);
    parent.AddDefaultAttributeList(L"Button", L"width=\"10\"");
    parent.AddDefaultAttributeList(L"Button", L"width=\"20\"");
    EXPECT_STREQ(child.GetDefaultAttributeList(L"Button"), L"width=\"10\"");
    EXPECT_EQ(child.GetDefaultAttributeList(L"Label"), nullptr);
    EXPECT_FALSE(child.RemoveDefaultAttributeList(L"Button"));
    EXPECT_TRUE(parent.RemoveDefaultAttributeList(L"Button"));
    EXPECT_EQ(parent.GetDefaultAttribultes().GetSize(), 0);

    TestBox first(L"first", RECT{}, nullptr);
    TestBox second(L"second", RECT{}, nullptr);
    const struct {
        bool add;
        TestBox* control;
        bool result;
        int groupSize;  // -1: no group
    } steps[] = {
        { true, &first, true, 1 }, { true, &first, false, 1 }, { true, &second, true, 2 },
        { false, &first, true, 1 }, { false, &second, true, -1 }, { true, &second, true, 1 },
    };
    for (const auto& step : steps) {
        if (step.add) {
            EXPECT_EQ(child.AddOptionGroup(L"g", step.control), step.result);
        } else {
            child.RemoveOptionGroup(L"g", step.control);
        }
        CStdPtrArray* group = child.GetOptionGroup(L"g");
        EXPECT_EQ(group == nullptr ? -1 : group->GetSize(), step.groupSize);
    }
    EXPECT_EQ(parent.GetOptionGroup(L"g"), nullptr);

    const struct {
        short h, s, l;
        short eh, es, el;
    } hsl[] = { { 400, -5, 100, 360, 0, 100 }, { -1, 250, 201, 0, 200, 200 }, { 180, 100, 100, 180, 100, 100 } };
    for (const auto& row : hsl) {
        CPaintManagerUI::SetHSL(true, row.h, row.s, row.l);
        short h = 0, s = 0, l = 0;
        CPaintManagerUI::GetHSL(&h, &s, &l);
        EXPECT_EQ(h, row.eh);
        EXPECT_EQ(s, row.es);
        EXPECT_EQ(l, row.el);
    }
}

} // namespace
