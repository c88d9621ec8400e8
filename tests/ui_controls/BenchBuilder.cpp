// Figures of the dialog builder and the layouts: a skin of about 2000
// controls from a zip archive, built into a real window, laid out and
// painted, then laid out again after resizes.
#include "tests/support/UiHarness.h"
#include "ui/controls/DialogBuilder.h"
#include "ui/core/ControlUI.h"
#include "ui/core/PaintManagerUI.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <vector>

using namespace SkinUI;

namespace {

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int CountControls(CControlUI* control)
{
    int count = 0;
    control->FindControl([](CControlUI*, LPVOID data) -> CControlUI* {
        ++*static_cast<int*>(data);
        return nullptr;
    }, &count, 0);
    return count;
}

} // namespace

int main()
{
    // The fixtures lie in test-data beside this program.
    wchar_t folder[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, folder, MAX_PATH);
    *(wcsrchr(folder, L'\\') + 1) = L'\0';
    wcscat(folder, L"test-data\\");
    CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
    CPaintManagerUI::SetResourcePath(folder);

    HostStyle style;
    style.at = {0, 0};
    style.activate = true;
    style.keepNotes = false;

    const int rounds = 10;
    std::vector<double> build, layout, paint, relayout, detached;
    int controls = 0;
    for (int round = 0; round < rounds; round++) {
        auto host = std::make_unique<PaintHost>(800, 600, style);
        CPaintManagerUI& pm = host->pm;
        const HWND hwnd = host->hwnd;
        // The archive closes with the last window: opened again each round.
        CPaintManagerUI::SetResourceZip(L"bench.zip", true);
        PumpUiMessages();

        const double buildStart = Now();
        CDialogBuilder builder;
        CControlUI* root = builder.Create(STRINGorID(L"bench.xml"), nullptr, nullptr, &pm);
        const double built = Now();
        if (root == nullptr) {
            printf("bench.xml did not build\n");
            return 1;
        }
        pm.AttachDialog(root);
        controls = CountControls(root);

        // The first layout alone, then the first paint of the laid-out tree.
        RECT client = {};
        ::GetClientRect(hwnd, &client);
        const double t0 = Now();
        root->SetPos(client);
        const double laidOut = Now();
        ::InvalidateRect(hwnd, nullptr, FALSE);
        ::UpdateWindow(hwnd);
        const double painted = Now();
        build.push_back(built - buildStart);
        layout.push_back(laidOut - t0);
        paint.push_back(painted - laidOut);

        for (int i = 0; i < 100; i++) {
            const int width = 600 + (i % 10) * 20;
            ::SetWindowPos(hwnd, nullptr, 0, 0, width, 500 + (i % 7) * 10, SWP_NOMOVE | SWP_NOZORDER |
                           SWP_NOACTIVATE);
            ::GetClientRect(hwnd, &client);
            const double start = Now();
            root->SetPos(client);
            relayout.push_back(Now() - start);
        }
        // The same layout off the window: the arithmetic alone, without the
        // window invalidation each placed control asks for.
        root->SetManager(nullptr, nullptr, false);
        const double detachedStart = Now();
        root->SetPos(RECT{ 0, 0, 700, 520 });
        root->SetPos(RECT{ 0, 0, 720, 540 });
        detached.push_back((Now() - detachedStart) / 2);
        pm.InitControls(root);
        host.reset();
        PumpUiMessages();
    }
    printf("controls: %d\n", controls);
    printf("build (median of %d): %.2f ms (target < 30)\n", rounds, Median(build));
    printf("first layout: %.2f ms (target < 10)\n", Median(layout));
    printf("first paint: %.2f ms\n", Median(paint));
    printf("re-layout after resize (median of %zu): %.2f ms (target < 5), slowest %.2f ms\n", relayout.size(),
           Median(relayout), *std::max_element(relayout.begin(), relayout.end()));
    printf("layout off the window (no invalidation): %.3f ms\n", Median(detached));
    return 0;
}
