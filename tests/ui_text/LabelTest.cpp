// Labels: align words, effect mode, stored values, estimated sizes, tooltips
// and Chinese status text.
#include "tests/ui_text/TextTestSupport.h"

#include "base/ScopedGdi.h"
#include "base/TextConversion.h"
#include "ui/controls/LabelUI.h"
#include "ui/controls/TextUI.h"
#include "ui/core/RenderEngine.h"

#include <gtest/gtest.h>

using namespace SkinUI;

namespace {

TEST(LabelTest, AttributesStoreWhatTheyMean)
{
    struct Case {
        const wchar_t* name;
        const wchar_t* value;
        std::function<bool(CLabelUI&)> check;
    } cases[] = {
        { L"align", L"center", [](CLabelUI& l) { return l.GetTextStyle() == (DT_CENTER | DT_VCENTER); } },
        { L"align", L"right vcenter",
          [](CLabelUI& l) { return l.GetTextStyle() == (DT_CENTER | DT_RIGHT | DT_VCENTER | DT_SINGLELINE); } },
        { L"align", L"left", [](CLabelUI& l) { return l.GetTextStyle() == 0; } },
        { L"align", L"bottom", [](CLabelUI& l) { return l.GetTextStyle() == (DT_BOTTOM | DT_SINGLELINE); } },
        { L"endellipsis", L"true", [](CLabelUI& l) { return l.GetTextStyle() == (DT_VCENTER | DT_END_ELLIPSIS); } },
        { L"rhaa", L"7", [](CLabelUI& l) { return l.GetTextRenderingHintAntiAlias() == 0; } },
        { L"rhaa", L"5", [](CLabelUI& l) { return l.GetTextRenderingHintAntiAlias() == 5; } },
        { L"rhaa", L"-1", [](CLabelUI& l) { return l.GetTextRenderingHintAntiAlias() == 0; } },
        { L"shadowoffset", L"2,45",
          [](CLabelUI& l) { return l.GetShadowOffset().x == -2.0f && l.GetShadowOffset().y == -2.0f; } },
        { L"shadowoffset", L"3,-135",
          [](CLabelUI& l) { return l.GetShadowOffset().x == 3.0f && l.GetShadowOffset().y == 3.0f; } },
        { L"shadowoffset", L"3,200", [](CLabelUI& l) { return l.GetShadowOffset().x == 0.0f; } },
        { L"textcolor", L"#FF112233", [](CLabelUI& l) { return l.GetTextColor() == 0xFF112233; } },
        { L"textpadding", L"1,2,3,4", [](CLabelUI& l) { return l.GetTextPadding().bottom == 4; } },
        { L"showhtml", L"True", [](CLabelUI& l) { return !l.IsShowHtml(); } },
    };
    for (const Case& c : cases) {
        CLabelUI label;
        label.SetAttribute(c.name, c.value);
        EXPECT_TRUE(c.check(label)) << c.name << L"=" << c.value;
    }
    // Identity, and the effect text kept apart from the plain text.
    CLabelUI label;
    EXPECT_STREQ(label.GetClass(), L"LabelUI");
    EXPECT_EQ(label.GetInterface(L"Label"), &label);
    EXPECT_EQ(label.GetInterface(L"Control"), &label);
    label.SetText(L"plain");
    label.SetEnabledEffect(true);
    label.SetText(L"effect");
    EXPECT_STREQ(label.GetText().GetData(), L"effect");
    label.SetEnabledEffect(false);
    EXPECT_STREQ(label.GetText().GetData(), L"plain");
}

TEST(LabelTest, PaintsEffectTextEstimatesSizesAndTips)
{
    TestWindow window(200, 100);
    auto* root = new TestHost;
    root->SetBkColor(0xFFFFFFFF);
    auto* effect = root->Add(new CLabelUI, RECT{ 10, 10, 190, 50 });
    effect->SetAttribute(L"textpadding", L"10,5,10,5");
    effect->SetAttribute(L"enabledeffect", L"true");
    effect->SetAttribute(L"enabledstroke", L"true");
    effect->SetAttribute(L"strokecolor", L"#FF0000FF");
    effect->SetAttribute(L"textcolor", L"#FFFF0000");
    effect->SetAttribute(L"transtext", L"255");
    effect->SetAttribute(L"transtext1", L"255");
    effect->SetText(L"Effect text");
    auto* label = root->Add(new CLabelUI, RECT{ 10, 60, 60, 80 });
    label->SetText(L"a text much wider than the label");
    window.Attach(root);

    const Pixels pixels = window.Capture();
    const RECT textRect = { 20, 15, 180, 45 };
    EXPECT_GT(pixels.CountOther(textRect, 0xFFFFFF), 20);
    EXPECT_EQ(pixels.CountOther(RECT{ 0, 0, 200, 55 }, 0xFFFFFF) - pixels.CountOther(textRect, 0xFFFFFF), 0);
    // Red text with a blue outline.
    EXPECT_GT(pixels.CountNear(0xFF0000, 80), 10);
    EXPECT_GT(pixels.CountNear(0x0000FF, 80), 10);

    // Without a fixed height: the font's height + 4; with one: the fixed size.
    const int fontHeight = window.pm.GetDefaultFontInfo()->metrics.tmHeight;
    EXPECT_EQ(label->EstimateSize(SIZE{ 500, 500 }).cy, fontHeight + 4);
    label->SetFixedHeight(30);
    label->SetFixedWidth(70);
    EXPECT_EQ(label->EstimateSize(SIZE{ 500, 500 }).cx, 70);
    EXPECT_EQ(label->EstimateSize(SIZE{ 500, 500 }).cy, 30);

    // The auto tip shows the whole text only when it does not fit.
    label->SetToolTip(L"tip");
    EXPECT_STREQ(label->GetToolTip().GetData(), L"tip");
    label->SetEnableAutoTip(true);
    EXPECT_STREQ(label->GetToolTip().GetData(), L"a text much wider than the label");
    label->SetText(L"a");
    EXPECT_STREQ(label->GetToolTip().GetData(), L"tip");

    // A text control measures its lines: one when wide, two when narrow.
    CTextUI text;
    text.SetManager(&window.pm, nullptr, false);
    text.SetText(L"alpha beta");
    const SIZE wide = text.EstimateSize(SIZE{ 500, 0 });
    const TEXTMETRICW& tm = window.pm.GetDefaultFontInfo()->metrics;
    EXPECT_EQ(wide.cy, tm.tmHeight);
    EXPECT_GT(wide.cx, 4);
    const SIZE narrow = text.EstimateSize(SIZE{ wide.cx - 10, 0 });
    EXPECT_EQ(narrow.cy, 2 * tm.tmHeight);
    text.SetShowHtml(true);
    EXPECT_EQ(text.EstimateSize(SIZE{ wide.cx - 10, 0 }).cy, 2 * (tm.tmHeight + tm.tmExternalLeading));
}

TEST(LabelTest, ChineseStatusTextMatchesThePlatformsText)
{
    // "正在下载: 50%" in GBK, as the engine posts it.
    const std::string gbk = "\xD5\xFD\xD4\xDA\xCF\xC2\xD4\xD8: 50%";
    const std::wstring expected = L"\x6B63\x5728\x4E0B\x8F7D: 50%";
    const std::wstring converted = ToWide(gbk);
    ASSERT_EQ(converted, expected);

    TestWindow window(200, 40);
    window.pm.AddFont(L"WenQuanYi Micro Hei", 16, false, false, false);
    auto* root = new TestHost;
    root->SetBkColor(0xFFFFFFFF);
    auto* label = root->Add(new CLabelUI, RECT{ 0, 0, 200, 40 });
    label->SetFont(0);
    label->SetTextColor(0xFF000000);
    label->SetText(converted.c_str());
    window.Attach(root);
    const Pixels drawn = window.Capture();

    auto platform = [&](const std::wstring& text) {
        return Render(200, 40, 0xFFFFFF, [&](HDC dc) {
            ScopedSelectObject font(dc, window.pm.GetFont(0));
            ::SetBkMode(dc, TRANSPARENT);
            RECT rc = { 0, 0, 200, 40 };
            ::DrawTextW(dc, text.c_str(), -1, &rc, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        });
    };
    const Pixels reference = platform(expected);
    EXPECT_GT(reference.CountOther(RECT{ 0, 0, 200, 40 }, 0xFFFFFF), 50);
    EXPECT_EQ(drawn.data.size(), reference.data.size());
    int differing = 0;
    for (size_t i = 0; i < drawn.data.size(); i++) {
        differing += (drawn.data[i] & 0xFFFFFF) != (reference.data[i] & 0xFFFFFF);
    }
    EXPECT_EQ(differing, 0);
    // The same bytes read in another code page draw other glyphs.
    const Pixels wrong = platform(ToWide(gbk, 1252));
    EXPECT_NE(wrong.data, reference.data);
}

} // namespace
