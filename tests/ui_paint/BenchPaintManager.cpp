// Figures of the paint manager on a real window: whole-window paints, a full
// re-layout, one control re-laid out or repainted, and lookups by point and
// by name, over a tree of 1000 controls.
#include "PaintTestSupport.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace SkinUI;

namespace {

const int kColumns = 40;
const int kRows = 25;
const int kCellWidth = 20;
const int kCellHeight = 24;

double Now()
{
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

template <typename F>
double PerCall(int count, F body)
{
    double start = Now();
    for (int i = 0; i < count; i++) body(i);
    return (Now() - start) / count;
}

} // namespace

int main()
{
    TestWindow window(kColumns * kCellWidth, kRows * kCellHeight);
    TestBox* root = new TestBox(L"root", RECT{}, nullptr);
    std::vector<TestBox*> cells;
    for (int i = 0; i < kColumns * kRows; i++) {
        int x = (i % kColumns) * kCellWidth;
        int y = (i / kColumns) * kCellHeight;
        std::wstring name = L"cell" + std::to_wstring(i);
        TestBox* cell = root->Add(new TestBox(name.c_str(), RECT{ x, y, x + kCellWidth, y + kCellHeight }, nullptr));
        cell->SetBkColor(0xFF000000 | (i * 2654435761u & 0xFFFFFF));
        cell->SetBorderColor(0xFF202020);
        cell->SetBorderSize(1);
        cells.push_back(cell);
    }
    window.Attach(root);

    double fullPaint = PerCall(100, [&](int) {
        ::InvalidateRect(window.hwnd, nullptr, FALSE);
        ::UpdateWindow(window.hwnd);
    });
    double relayout = PerCall(100, [&](int) {
        root->NeedUpdate();
        ::UpdateWindow(window.hwnd);
    });
    double oneLaidOut = PerCall(1000, [&](int i) {
        cells[i % cells.size()]->NeedUpdate();
        ::UpdateWindow(window.hwnd);
    });
    double oneRepainted = PerCall(1000, [&](int i) {
        cells[i % cells.size()]->Invalidate();
        ::UpdateWindow(window.hwnd);
    });
    CControlUI* found = nullptr;
    double byPoint = PerCall(100000, [&](int i) {
        POINT pt = { (i * 7) % (kColumns * kCellWidth), (i * 13) % (kRows * kCellHeight) };
        found = window.pm.FindControl(pt);
    });
    std::vector<std::wstring> names;
    for (int i = 0; i < 1000; i++) names.push_back(L"cell" + std::to_wstring(i * 7 % cells.size()));
    double byName = PerCall(100000, [&](int i) { found = window.pm.FindControl(names[i % names.size()].c_str()); });
    window.Pump();

    printf("paint manager, tree of %zu controls (colour and border), %dx%d window:\n", cells.size(),
        kColumns * kCellWidth, kRows * kCellHeight);
    printf("  whole window painted        %8.2f ms per paint (100)\n", fullPaint * 1e3);
    printf("  root re-laid out and painted %7.2f ms per paint (100)\n", relayout * 1e3);
    printf("  one control re-laid out     %8.1f us per paint (1000)\n", oneLaidOut * 1e6);
    printf("  one control repainted       %8.1f us per paint (1000)\n", oneRepainted * 1e6);
    printf("  control under a point       %8.2f us per lookup (100000)\n", byPoint * 1e6);
    printf("  control by name             %8.3f us per lookup (100000)\n", byName * 1e6);
    return found != nullptr ? 0 : 1;
}
