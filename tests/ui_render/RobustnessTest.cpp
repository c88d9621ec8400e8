// Seeded mutations of image descriptors and attribute lists: drawn and
// applied without a crash, and descriptors never paint outside their item.
#include "tests/ui_render/RenderTestSupport.h"

#include "ui/core/RenderEngine.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace SkinUI;

namespace {

const int kMutations = 10000;

class Mutator {
public:
    Mutator(std::vector<std::wstring> corpus, std::vector<std::wstring> tokens, unsigned seed)
        : m_corpus(std::move(corpus)), m_tokens(std::move(tokens)), m_random(seed)
    {
    }

    std::wstring Next()
    {
        std::wstring text = m_corpus[Pick(m_corpus.size())];
        const size_t edits = 1 + Pick(4);
        for (size_t i = 0; i < edits; i++) {
            const size_t at = Pick(text.size() + 1);
            switch (Pick(5)) {
            case 0:
                text.insert(at, 1, static_cast<wchar_t>(1 + Pick(127)));
                break;
            case 1:
                if (at < text.size()) text.erase(at, 1 + Pick(8));
                break;
            case 2:
                if (at < text.size()) text[at] = L"='\" ,-#0123456789"[Pick(17)];
                break;
            case 3:
                text.insert(at, m_tokens[Pick(m_tokens.size())]);
                break;
            default:
                text += L" " + m_corpus[Pick(m_corpus.size())];
                break;
            }
        }
        return text;
    }

    size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(m_random); }

private:
    std::vector<std::wstring> m_corpus;
    std::vector<std::wstring> m_tokens;
    std::mt19937 m_random;
};

TEST(Robustness, MutatedDescriptorsStayInsideTheItem)
{
    UseSkin(SkinSource::CachedZip);
    Mutator mutator(
        { L"file='nine.png' corner='4,4,4,4' hole='true'", L"file='tile.png' xtiled='true' ytiled='true' fade='100'",
          L"file='alpha.png' dest='2,2,-1,30' source='0,0,1,1'", L"blue.png",
          L"file='blue.png' file='ramp.png' dest='5,5,40,40' mask='#FF0000FF'", L"res='101' restype='PNG'" },
        { L"file='", L"'", L"dest='", L"source='", L"corner='", L"-1", L"-2147483648", L"99999999999", L",",
          L"='true'", L" xtiled='true'", L" ytiled='true'", L" hole='true'", L" fade='0'", L" mask='#",
          L"restype='", L"corner='9,9,9,9'", L"source='0,0,0,0'", L"corner='-5,-5,50,50'" },
        20261208);
    CPaintManagerUI pm;
    Canvas canvas(64, 64);
    const RECT item = { 8, 8, 56, 56 };
    int drawn = 0;
    for (int i = 0; i < kMutations; i++) {
        const std::wstring image = mutator.Next();
        const std::wstring modify = mutator.Pick(4) == 0 ? mutator.Next() : std::wstring();
        const RECT paint = { static_cast<LONG>(mutator.Pick(64)), static_cast<LONG>(mutator.Pick(64)), 64, 64 };
        CRenderEngine::UsePlatformFunctions(i % 8 != 0);
        canvas.Fill(0xFFFFFFFF);
        ASSERT_TRUE(CRenderEngine::DrawImageString(canvas.dc(), &pm, item, paint, image.c_str(),
                                                   modify.empty() ? nullptr : modify.c_str(), mutator.Pick(3) == 0));
        const DWORD* pixels = canvas.Bits();
        bool changed = false;
        for (int y = 0; y < 64; y++) {
            for (int x = 0; x < 64; x++) {
                const bool inside = x >= item.left && x < item.right && y >= item.top && y < item.bottom;
                if (!inside) {
                    ASSERT_EQ(pixels[y * 64 + x], 0xFFFFFFFFu)
                        << "at " << x << "," << y << " by " << testing::PrintToString(image);
                }
                changed = changed || pixels[y * 64 + x] != 0xFFFFFFFF;
            }
        }
        drawn += changed;
    }
    CRenderEngine::UsePlatformFunctions(true);
    printf("%d of %d mutated descriptors drew something\n", drawn, kMutations);
    EXPECT_GT(drawn, kMutations / 10);
}

TEST(Robustness, MutatedAttributeListsApplyAndPaint)
{
    UseSkin(SkinSource::Folder);
    Mutator mutator(
        {L"pos=\"-50,10,-10,30\" bkcolor=\"#80FF0000\" bordersize=\"2\" bordercolor=\"#FF0000FF\"",
         L"bkcolor=\"#FF000000\" bkcolor2=\"#FFFFFFFF\" bkcolor3=\"#FF00FF00\" borderround=\"6,6\" bordersize=\"1\"",
         L"bkimage=\"file='nine.png' corner='4,4,4,4'\" leftbordersize=\"3\" bordercolor=\"#FF00FF00\" "
         L"borderstyle=\"1\"",
         L"text=\"x\" tooltip=\"a<n>b\" name=\"n\" width=\"30\" minwidth=\"5\" maxheight=\"40\" padding=\"1,2,3,4\"",
         L"visible=\"true\" float=\"true\" relativepos=\"1,2,3,4\" colorhsl=\"true\" flat=\"true\" shortcut=\"a\""},
        {L"=\"", L"\"", L" ", L"  ", L"-2147483648", L"99999999999", L",", L"#", L"bordersize=\"", L"borderround=\"",
         L"bkimage=\"", L"pos=\"", L"bordersize=\"1,2,3,4\"", L"width=\"-1\"", L"virtualwnd=\"v\"",
         L"borderstyle=\"5\"", L"bkcolor=\"#01000000\""},
        4242);
    CPaintManagerUI pm;
    Canvas canvas(64, 64);
    for (int i = 0; i < kMutations; i++) {
        const std::wstring list = mutator.Next();
        CControlUI control;
        control.SetManager(&pm, nullptr, false);
        ASSERT_EQ(control.ApplyAttributeList(list.c_str()), &control);
        ASSERT_GE(control.GetFixedWidth(), 0) << testing::PrintToString(list);
        ASSERT_GE(control.GetFixedHeight(), 0);
        ASSERT_GE(control.GetMinWidth(), 0);
        ASSERT_GE(control.GetMaxHeight(), 0);
        control.SetPos(RECT{ 8, 8, 56, 56 });
        control.DoPaint(canvas.dc(), RECT{ 0, 0, 64, 64 });
    }
}

} // namespace
