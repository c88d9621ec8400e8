// Damaged skins: seeded mutations of a real skin, each built into a window,
// laid out and painted. Each either builds or yields no root.
#include "tests/ui_controls/ControlsTestSupport.h"

#include "base/TextConversion.h"
#include "tests/support/TestSupport.h"
#include "ui/controls/DialogBuilder.h"
#include "ui/core/ControlUI.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cwctype>
#include <random>
#include <string>

using namespace SkinUI;

namespace {

// Pieces that reach the builder's and the layouts' corner cases.
const wchar_t* const kAttributes[] = {
    L" float=\"true\"", L" pos=\"-5,-5,99999,3\"", L" vscrollbar=\"true\"", L" hscrollbar=\"true\"",
    L" childpadding=\"-20\"", L" inset=\"-50,0,300,0\"", L" sepheight=\"-3\"", L" sepwidth=\"9999\"",
    L" columns=\"0\"", L" itemsize=\"-4,0\"", L" selectedid=\"99\"", L" width=\"-1\"", L" minheight=\"500\"",
    L" maxwidth=\"-7\"", L" relativepos=\"50,50,50,50\"", L" mousefollow=\"true\"", L" vscrollbarstyle=\"x\"",
    L" hscrollbarstyle=\"range=&quot;-9&quot; hor=&quot;false&quot;\"", L" padding=\"-100,-100,-100,-100\"",
};
const wchar_t* const kElements[] = {
    L"<Include source=\"self.xml\" count=\"2\"/>", L"<Include source=\"part.xml\" count=\"-3\"/>",
    L"<TabLayout selectedid=\"1\"><Control/><Control/></TabLayout>", L"<TileLayout columns=\"7\"/>",
    L"<ChildLayout xmlfile=\"childself.xml\"/>", L"<ChildLayout xmlfile=\"window.xml\"/>",
    L"<Font name=\"Arial\" size=\"-5\"/>", L"<Default name=\"Control\" value=\"float=&quot;true\"/>",
    L"<Image name=\"blue.png\" mask=\"#\"/>", L"<ScrollBar range=\"-5\" value=\"9\"/>",
    L"<TreeNode/>", L"<Container><Container><Container/></Container></Container>",
};
const wchar_t kMarkupChars[] = L"<>/=\"&;! -,0123456789abcxyzWCLV";

// A random element start ('<' then a letter), or npos.
size_t ElementStart(const std::wstring& text, std::mt19937& rng)
{
    size_t at = text.find(L'<', rng() % text.size());
    if (at == std::wstring::npos) at = text.find(L'<');
    while (at != std::wstring::npos && (at + 1 >= text.size() || !iswalpha(text[at + 1]))) {
        at = text.find(L'<', at + 1);
    }
    return at;
}

std::wstring Mutate(std::wstring text, std::mt19937& rng)
{
    const int edits = 1 + static_cast<int>(rng() % 3);
    for (int i = 0; i < edits && !text.empty(); i++) {
        const size_t at = rng() % text.size();
        const unsigned kind = rng() % 20;
        if (kind < 6) {
            text[at] = kMarkupChars[rng() % (sizeof(kMarkupChars) / sizeof(wchar_t) - 1)];
        } else if (kind < 8) {
            text.erase(at, 1 + rng() % 8);
        } else if (kind < 10) {
            text.insert(at, text.substr(rng() % text.size(), rng() % 40));
        } else if (kind < 15) {
            // An attribute right after an element's name.
            const size_t start = ElementStart(text, rng);
            if (start == std::wstring::npos) continue;
            size_t end = start + 1;
            while (end < text.size() && iswalpha(text[end])) end++;
            text.insert(end, kAttributes[rng() % (sizeof(kAttributes) / sizeof(kAttributes[0]))]);
        } else if (kind < 19) {
            // An element before another one.
            const size_t start = ElementStart(text, rng);
            if (start == std::wstring::npos) continue;
            text.insert(start, kElements[rng() % (sizeof(kElements) / sizeof(kElements[0]))]);
        } else {
            text.erase(at);
        }
    }
    return text;
}

TEST(Robustness, TenThousandMutatedSkinsBuildOrYieldNoRoot)
{
    const std::string original = ReadFileBytes(TestDataDir() + "\\files\\window.xml");
    ASSERT_FALSE(original.empty());
    // Without its size and round corner, so that each build keeps the window.
    std::wstring skin = ToWide(original, CP_UTF8);
    skin.replace(skin.find(L"size=\"400,300\""), 14, L"");

    HostWindow window(300, 200);
    std::mt19937 rng(20261208);
    int built = 0;
    int refused = 0;
    for (int i = 0; i < 10000; i++) {
        const std::wstring text = Mutate(skin, rng);
        CDialogBuilder builder;
        CControlUI* root = builder.Create(STRINGorID(text.c_str()), nullptr, nullptr, &window.pm);
        if (root == nullptr) {
            refused++;
            continue;
        }
        built++;
        window.pm.AttachDialog(root);
        if (i % 4 == 0)
            window.Resize(200 + static_cast<int>(rng() % 200), 100 + static_cast<int>(rng() % 200));
        window.Repaint();
        // Find by point and by name through the whole tree.
        window.pm.FindControl(POINT{ static_cast<LONG>(rng() % 300), static_cast<LONG>(rng() % 200) });
        window.pm.FindControl(L"closebtn");
    }
    printf("mutated skins: %d built, %d without a root\n", built, refused);
    EXPECT_EQ(built + refused, 10000);
    // Both outcomes are well represented, or the mutations test little.
    EXPECT_GT(built, 3000);
    EXPECT_GT(refused, 1000);
}

} // namespace
