// Lays out and draws 10 000 characters of tagged text (links, three fonts)
// and, in the same run, the same characters with DrawTextW in one font.
// Prints figures; not a test.
#include "base/ScopedGdi.h"
#include "tests/support/UiHarness.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/RenderEngine.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

using namespace SkinUI;

namespace {

double MillisecondsPerRun(int runs, const std::function<void()>& run)
{
    run();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; i++) run();
    const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / runs;
}

} // namespace

int main()
{
    PaintHost host(100, 100);
    CPaintManagerUI& pm = host.pm;
    pm.AddFont(L"Tahoma", 14, false, false, false);
    pm.AddFont(L"WenQuanYi Micro Hei", 12, false, false, false);

    const wchar_t* words[] = { L"update ", L"package ", L"download ", L"install ", L"version ", L"corvane " };
    std::wstring tagged;
    std::wstring plain;
    int visible = 0;
    for (int i = 0; visible < 10000; i++) {
        const std::wstring word = words[i % 6];
        visible += static_cast<int>(word.size());
        plain += word;
        switch (i % 8) {
        case 0: tagged += L"<a link" + std::to_wstring(i % 5) + L">" + word + L"</a>"; break;
        case 2: tagged += L"<f 0>" + word + L"</f>"; break;
        case 4: tagged += L"<f 1>" + word + L"</f>"; break;
        case 6: tagged += L"<b>" + word + L"</b>"; break;
        default: tagged += word; break;
        }
    }

    const Canvas canvas(640, 480);
    const RECT area = {0, 0, 640, 20000};

    const int runs = 20;
    RECT links[8];
    CUIString texts[8];
    const double taggedMs = MillisecondsPerRun(runs, [&]() {
        RECT rc = area;
        int count = 8;
        CRenderEngine::DrawHtmlText(canvas.dc(), &pm, rc, tagged.c_str(), 0xFF000000, links, texts, count,
                                    DT_WORDBREAK);
    });
    const double platformMs = MillisecondsPerRun(runs, [&]() {
        RECT rc = area;
        ScopedSelectObject font(canvas.dc(), pm.GetDefaultFontInfo()->font.Get());
        ::DrawTextW(canvas.dc(), plain.c_str(), -1, &rc, DT_WORDBREAK | DT_NOPREFIX);
    });
    std::printf("characters: %d visible (%d with tags)\n", visible, static_cast<int>(tagged.size()));
    std::printf("tagged text (links, 3 fonts): %.2f ms per layout and draw\n", taggedMs);
    std::printf("DrawTextW (one font):         %.2f ms per layout and draw\n", platformMs);
    std::printf("ratio: %.2fx (target: within 3x)\n", taggedMs / platformMs);
    return 0;
}
