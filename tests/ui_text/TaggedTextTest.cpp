// Tagged text on pixels and rectangles.
#include "tests/ui_text/TextTestSupport.h"

#include "base/ScopedGdi.h"
#include "ui/controls/TextUI.h"
#include "ui/core/RenderEngine.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace SkinUI;

namespace {

const DWORD kWhite = 0xFFFFFF;

struct Drawn {
    Pixels pixels;
    RECT rc;
    int linkCount;
    RECT links[8];
    CUIString texts[8];
};

class TaggedTextTest : public ::testing::Test {
protected:
    Drawn Draw(const wchar_t* text, RECT rc, UINT style, DWORD color = 0xFF000000, int capacity = 8)
    {
        Drawn d = {};
        d.rc = rc;
        d.linkCount = capacity;
        d.pixels = Render(200, 60, kWhite, [&](HDC dc) {
            CRenderEngine::DrawHtmlText(dc, &window.pm, d.rc, text, color, d.links, d.texts, d.linkCount, style);
        });
        return d;
    }
    int Width(const wchar_t* text)
    {
        ScopedCreatedDC dc(::CreateCompatibleDC(nullptr));
        ScopedSelectObject font(dc.Get(), window.pm.GetDefaultFontInfo()->font.Get());
        SIZE size = {};
        ::GetTextExtentPoint32W(dc.Get(), text, lstrlenW(text), &size);
        return size.cx;
    }
    int LineHeight()
    {
        const TEXTMETRICW& tm = window.pm.GetDefaultFontInfo()->metrics;
        return tm.tmHeight + tm.tmExternalLeading;
    }

    TestWindow window;
};

TEST_F(TaggedTextTest, AlignsByMeasuredWidthAndDrawsRawTextAndColours)
{
    const RECT wide = { 0, 0, 200, 60 };
    // Centred and right-aligned by the run's own width.
    const RECT centred = Draw(L"<b>x</b>", wide, DT_SINGLELINE | DT_CENTER | DT_VCENTER).pixels.InkBox(kWhite);
    ASSERT_LT(centred.left, centred.right);
    EXPECT_NEAR((centred.left + centred.right) / 2, 100, 3);
    EXPECT_NEAR((centred.top + centred.bottom) / 2, 30, 4);
    EXPECT_GE(Draw(L"<b>x</b>", wide, DT_SINGLELINE | DT_RIGHT).pixels.InkBox(kWhite).right, 195);

    // A raw passage draws its tags as the plain text would.
    const Pixels raw = Draw(L"<r><b></r>", wide, DT_SINGLELINE).pixels;
    const Pixels plain = Render(200, 60, kWhite, [&](HDC dc) {
        RECT rc = wide;
        CRenderEngine::DrawTextW(dc, &window.pm, rc, L"<b>", 0xFF000000, -1, DT_SINGLELINE);
    });
    EXPECT_GT(plain.CountOther(wide, kWhite), 0);
    EXPECT_EQ(raw.data, plain.data);
    // An escaped bracket is the bracket itself.
    EXPECT_EQ(Draw(L"<{>b<}>", wide, DT_SINGLELINE).pixels.data,
              Render(200, 60, kWhite, [&](HDC dc) {
                  RECT rc = wide;
                  CRenderEngine::DrawTextW(dc, &window.pm, rc, L"{b}", 0xFF000000, -1, DT_SINGLELINE);
              }).data);

    // Colour tags: red, and a high alpha byte saturating to white (on black);
    // the call's own colour is green.
    struct Case {
        const wchar_t* text;
        DWORD expected;
        DWORD absent;
    } cases[] = {
        { L"<c #FF0000>MMMM</c>", 0xFF0000, 0x00FF00 },
        { L"<c #80FF0000>MMMM</c>", 0xFFFFFF, 0xFF0000 },
        { L"<c 0000FF>MM</c>MM", 0x0000FF, 0xFF0000 },
        { L"MMMM", 0x00FF00, 0xFF0000 },
    };
    for (const Case& c : cases) {
        Drawn d = {};
        d.rc = wide;
        int none = 0;
        const Pixels pixels = Render(200, 60, 0x000000, [&](HDC dc) {
            CRenderEngine::DrawHtmlText(dc, &window.pm, d.rc, c.text, 0xFF00FF00, nullptr, nullptr, none,
                                        DT_SINGLELINE);
        });
        EXPECT_GT(pixels.CountNear(c.expected, 80), 5) << c.text;
        EXPECT_EQ(pixels.CountNear(c.absent, 80), 0) << c.text;
    }
}

TEST_F(TaggedTextTest, BreaksWordsAndRecordsLinks)
{
    // The whole text is a link, so its rects show where the lines broke.
    struct Case {
        const wchar_t* text;
        const wchar_t* first;
        const wchar_t* second;
    } cases[] = {
        { L"<a go>alpha beta</a>", L"alpha ", L"beta" },
        { L"<a go>one,two</a>", L"one,", L"two" },
        { L"<a go>ab cdefghijk</a>", L"ab ", L"cdefghijk" },
    };
    for (const Case& c : cases) {
        const int room = std::max(Width(c.first) + Width(c.second) / 2, Width(c.second) + 1);
        const Drawn d = Draw(c.text, RECT{ 0, 0, room, 60 }, DT_WORDBREAK);
        ASSERT_EQ(d.linkCount, 2) << c.text;
        EXPECT_EQ(d.links[0].right - d.links[0].left, Width(c.first)) << c.text;
        EXPECT_EQ(d.links[1].right - d.links[1].left, Width(c.second)) << c.text;
        EXPECT_EQ(d.links[0].bottom, d.links[1].top);
        EXPECT_EQ(d.links[1].left, 0);
        EXPECT_STREQ(d.texts[0].GetData(), L"go");
        EXPECT_STREQ(d.texts[1].GetData(), L"go");
    }
    // A word longer than the line is cut where the line is full.
    const Drawn cut = Draw(L"<a>abcdefghijklmnop</a>", RECT{ 0, 0, Width(L"abcdefgh"), 60 }, DT_WORDBREAK);
    ASSERT_GE(cut.linkCount, 2);
    EXPECT_EQ(cut.links[0].right, Width(L"abcdefgh"));

    // Capacity: ten links, eight recorded, in order.
    std::wstring many;
    for (int i = 0; i < 10; i++) many += L"<a " + std::to_wstring(i) + L">L</a> ";
    const Drawn ten = Draw(many.c_str(), RECT{ 0, 0, 200, 60 }, DT_SINGLELINE);
    ASSERT_EQ(ten.linkCount, 8);
    EXPECT_STREQ(ten.texts[7].GetData(), L"7");
    EXPECT_LT(ten.links[6].right, ten.links[7].left);
    // The same through a text control painted in a window.
    TestWindow host(300, 60);
    auto* root = new TestHost;
    auto* text = root->Add(new CTextUI, RECT{ 0, 0, 300, 60 });
    text->SetShowHtml(true);
    text->SetText(many.c_str());
    host.Attach(root);
    EXPECT_EQ(text->GetLinkCount(), 8);
    EXPECT_STREQ(text->GetLinkContent(0)->GetData(), L"0");
    EXPECT_EQ(text->GetLinkContent(8), nullptr);
    // Over a link of the last paint: that link takes the hover colour.
    host.pm.SetDefaultLinkFontColor(0xFF0000FF);
    host.pm.SetDefaultLinkHoverFontColor(0xFFFF0000);
    const RECT link = text->GetLinkRect(3);
    host.Mouse(WM_MOUSEMOVE, link.left + 1, link.top + 2);
    const Pixels hover = host.Capture(kWhite);
    auto count = [&](const RECT& rc, DWORD color) { return hover.CountNear(color, 80, &rc); };
    EXPECT_GT(count(link, 0xFF0000), 0);
    EXPECT_EQ(count(link, 0x0000FF), 0);
    EXPECT_GT(count(text->GetLinkRect(2), 0x0000FF), 0);
    EXPECT_EQ(count(text->GetLinkRect(2), 0xFF0000), 0);
    host.Mouse(WM_LBUTTONDOWN, link.left + 1, link.top + 2);
    host.Mouse(WM_LBUTTONUP, link.left + 1, link.top + 2);
    EXPECT_EQ(std::count(host.notes.begin(), host.notes.end(), L"link:"), 1);
}

TEST_F(TaggedTextTest, SizeComputingDrawsNothingAndShrinksTheRect)
{
    struct Case {
        const wchar_t* text;
        RECT rc;
        UINT style;
        int width;
        int lines;
        int spacing;
    } cases[] = {
        { L"Hello", { 0, 0, 200, 9999 }, DT_SINGLELINE, Width(L"Hello"), 1, 0 },
        { L"<b>Hi</b><n>there you", { 5, 0, 200, 9999 }, DT_WORDBREAK, Width(L"there you"), 2, 0 },
        { L"alpha beta", { 0, 0, Width(L"alpha "), 9999 }, DT_WORDBREAK, Width(L"alpha "), 2, 0 },
        { L"<p 6>a a</p>b", { 0, 0, 200, 9999 }, DT_WORDBREAK, Width(L"a a"), 2, 6 },
    };
    for (const Case& c : cases) {
        const Drawn d = Draw(c.text, c.rc, c.style | DT_CALCRECT | DT_CENTER | DT_VCENTER);
        EXPECT_EQ(d.pixels.CountOther(RECT{ 0, 0, 200, 60 }, kWhite), 0) << c.text;
        EXPECT_EQ(d.rc.right - d.rc.left, c.width) << c.text;
        EXPECT_EQ(d.rc.bottom, c.lines * LineHeight() + c.spacing) << c.text;
    }
    // End ellipsis: as many characters as leave room for "...".
    const wchar_t* letters = L"abcdefghijklmnopqrstuvwxyz";
    std::wstring shown = L"...";
    for (int k = 1; k < 26 && Width((std::wstring(letters, k) + L"...").c_str()) <= 60; k++) {
        shown = std::wstring(letters, k) + L"...";
    }
    const Drawn ellipsis = Draw(letters, RECT{ 0, 0, 60, 60 }, DT_SINGLELINE | DT_END_ELLIPSIS);
    const Pixels expected = Render(200, 60, kWhite, [&](HDC dc) {
        RECT rc = { 0, 0, 60, 60 };
        CRenderEngine::DrawTextW(dc, &window.pm, rc, shown.c_str(), 0xFF000000, -1, DT_SINGLELINE);
    });
    EXPECT_EQ(ellipsis.pixels.data, expected.data);

    // An inline image frame: the second (green) frame of two, unscaled.
    const Pixels image = Draw(L"<i frames.png 2 1>", RECT{ 0, 0, 200, 60 }, DT_SINGLELINE).pixels;
    const RECT box = image.InkBox(kWhite);
    EXPECT_EQ(box.right - box.left, 8);
    EXPECT_EQ(image.At(box.left, box.top), 0x00FF00u);
}

} // namespace
