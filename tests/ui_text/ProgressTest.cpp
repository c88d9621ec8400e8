// The progress bar's filled part, on pixels and in its modifier.
#include "tests/ui_text/TextTestSupport.h"

#include "ui/controls/ProgressUI.h"

#include <gtest/gtest.h>

using namespace SkinUI;

namespace {

// bar.png: column x is (x, 0x80, 0x20).
DWORD Column(int x)
{
    return (static_cast<DWORD>(x) << 16) | 0x8020;
}

TEST(ProgressTest, FillsByValueRangeAndDirection)
{
    struct Case {
        const wchar_t* attributes;
        const wchar_t* modifier;
        int value, max;
        std::function<void(const Pixels&)> check;
    } cases[] = {
        { L"foreimage=\"bar.png\" value=\"50\"", L"dest='0,0,100,12'", 50, 100,
          [](const Pixels& p) {
              EXPECT_NE(p.At(98, 6), 0u);
              EXPECT_EQ(p.At(101, 6), 0u);
              // Stretched: the whole image squeezed into 100 pixels.
              EXPECT_GT(p.At(99, 6) >> 16, 190u);
          } },
        { L"foreimage=\"bar.png\" value=\"150\"", L"dest='0,0,200,12'", 100, 100,
          [](const Pixels& p) { EXPECT_NE(p.At(199, 6), 0u); } },
        { L"foreimage=\"bar.png\" min=\"10\" max=\"10\" value=\"10\"", L"dest='0,0,0,12'", 10, 11,
          [](const Pixels& p) { EXPECT_EQ(p.CountOther(RECT{ 0, 0, 200, 12 }, 0), 0); } },
        { L"foreimage=\"bar.png\" hor=\"false\" value=\"0\"", L"dest='0,12,200,12'", 0, 100,
          [](const Pixels& p) { EXPECT_EQ(p.CountOther(RECT{ 0, 0, 200, 12 }, 0), 0); } },
        { L"foreimage=\"bar.png\" hor=\"false\" value=\"25\"", L"dest='0,9,200,12'", 25, 100,
          [](const Pixels& p) {
              EXPECT_EQ(p.At(50, 8), 0u);
              EXPECT_NE(p.At(50, 10), 0u);
          } },
        { L"foreimage=\"bar.png\" isstretchfore=\"false\" value=\"25\"",
          L"dest='0,0,50,12' source='0,0,50,12'", 25, 100,
          [](const Pixels& p) {
              for (int x = 0; x < 50; x++) EXPECT_EQ(p.At(x, 6), Column(x)) << x;
              EXPECT_EQ(p.At(55, 6), 0u);
          } },
        { L"foreimage=\"file='bar.png' dest='0,4,200,10'\" value=\"50\"", L"dest='0,4,100,10'", 50, 100,
          [](const Pixels& p) {
              EXPECT_EQ(p.At(50, 2), 0u);
              EXPECT_NE(p.At(50, 6), 0u);
              EXPECT_EQ(p.At(50, 11), 0u);
              EXPECT_EQ(p.At(150, 6), 0u);
          } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attributes);
        TestWindow window(200, 12);
        auto* root = new TestHost;
        auto* bar = root->Add(new CProgressUI, RECT{ 0, 0, 200, 12 });
        bar->ApplyAttributeList(c.attributes);
        window.Attach(root);
        const Pixels pixels = window.Capture();
        EXPECT_STREQ(bar->GetForeImageModify().GetData(), c.modifier);
        EXPECT_EQ(bar->GetValue(), c.value);
        EXPECT_EQ(bar->GetMaxValue(), c.max);
        c.check(pixels);
    }
    CProgressUI bar;
    EXPECT_STREQ(bar.GetClass(), L"ProgressUI");
    EXPECT_EQ(bar.GetInterface(L"Label"), &bar);
    EXPECT_EQ(bar.GetFixedHeight(), 12);
    EXPECT_EQ(bar.GetTextStyle(), static_cast<UINT>(DT_CENTER | DT_SINGLELINE));
}

} // namespace
