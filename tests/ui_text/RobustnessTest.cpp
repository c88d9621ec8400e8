// Damaged tagged text: laid out and drawn without a crash or a hang.
#include "tests/ui_text/TextTestSupport.h"

#include "ui/core/RenderEngine.h"

#include <gtest/gtest.h>

#include <random>

using namespace SkinUI;

namespace {

TEST(RobustnessTest, SeededMutationsOfTaggedTextDrawSafely)
{
    const std::wstring seeds[] = {
        L"<b>bold</b> <i>it</i> <u>u</u> <a link>go</a> <c #FF0000>red</c> {f 0}f{/f} <x 5><y 20>y",
        L"<f Tahoma 12 bold italic>face</f><p 4>para</p><n>line<s>sel</s><r><b>raw</r>{<}{>}<{><}>",
        L"<i frames.png 2 1> <i file='frames.png' restype='' 3 9> <a>wrap wrap wrap wrap wrap</a>\r\nend",
    };
    const wchar_t alphabet[] = L"<>{}/# abcfinprsuxy0123456789'=\n.\x4E2D";
    std::mt19937 random(20261208);
    TestWindow window(120, 60);
    int drawn = 0;
    int links = 0;
    for (int i = 0; i < 10000; i++) {
        std::wstring text = seeds[i % 3];
        const int edits = 1 + static_cast<int>(random() % 8);
        for (int e = 0; e < edits && !text.empty(); e++) {
            const size_t at = random() % text.size();
            const wchar_t ch = alphabet[random() % (sizeof(alphabet) / sizeof(wchar_t) - 1)];
            switch (random() % 3) {
            case 0: text.insert(at, 1, ch); break;
            case 1: text.erase(at, 1 + random() % 4); break;
            default: text[at] = ch; break;
            }
        }
        const UINT styles[] = { DT_SINGLELINE, DT_WORDBREAK, DT_WORDBREAK | DT_END_ELLIPSIS | DT_CENTER | DT_VCENTER,
                                DT_CALCRECT | DT_WORDBREAK, DT_SINGLELINE | DT_RIGHT | DT_BOTTOM | DT_END_ELLIPSIS };
        const UINT style = styles[random() % 5];
        RECT rc = { static_cast<LONG>(random() % 20), 0, static_cast<LONG>(random() % 120),
                    static_cast<LONG>(random() % 60) };
        RECT rects[8] = {};
        CUIString texts[8];
        int count = 8;
        Render(120, 60, 0xFFFFFF, [&](HDC dc) {
            CRenderEngine::DrawHtmlText(dc, &window.pm, rc, text.c_str(), 0xFF000000, rects, texts, count, style);
        });
        ASSERT_GE(count, 0);
        ASSERT_LE(count, 8);
        links += count;
        drawn++;
        // Fonts made by damaged <f> tags stay in the manager: start afresh now and then.
        if (i % 1000 == 999) window.pm.RemoveAllFonts();
    }
    std::printf("tagged text: %d damaged texts drawn, %d link rects recorded\n", drawn, links);
    EXPECT_EQ(drawn, 10000);
    EXPECT_GT(links, 0);
}

} // namespace
