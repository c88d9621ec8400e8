// Painting a tree a thousand times leaves no GDI object behind. A program of
// its own, run while no other test runs: Wine counts GDI objects for the
// whole session, and every other program that draws moves that count.
#include "tests/ui_paint/PaintTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using namespace SkinUI;

namespace {

// The process's GDI objects: from the system when it counts them, else as
// the room left before object creation fails (Wine answers 0).
DWORD GdiObjectsInUse()
{
    DWORD counted = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    if (counted != 0) return counted;
    std::vector<HBRUSH> brushes;
    const DWORD limit = 200000;
    while (brushes.size() < limit) {
        HBRUSH brush = ::CreateSolidBrush(RGB(1, 2, 3));
        if (brush == nullptr) break;
        brushes.push_back(brush);
    }
    for (HBRUSH brush : brushes) ::DeleteObject(brush);
    return limit - static_cast<DWORD>(brushes.size());
}

TEST(PaintManagerTree, PaintsWithoutLeakingGdiObjects)
{
    TestWindow window(120, 80);
    TestBox* root = new TestBox(L"root", RECT{ 0, 0, 120, 80 }, nullptr);
    root->SetBkColor(0xFF00FF00);
    TestBox* a = root->Add(new TestBox(L"A", RECT{ 10, 10, 50, 50 }, nullptr));
    a->SetBkColor(0xFFFF0000);
    a->SetBorderColor(0xFF0000FF);
    a->SetBorderSize(2);
    a->SetToolTip(L"tip");
    window.pm.SetShowUpdateRect(true);
    window.Attach(root);

    // What the tree paints, read back from a 32-bit section.
    const Pixels pixels(window.hwnd);
    EXPECT_EQ(pixels.At(100, 70), 0x00FF00u);
    EXPECT_EQ(pixels.At(30, 30), 0xFF0000u);
    EXPECT_EQ(pixels.At(10, 30), 0x0000FFu);

    const DWORD before = GdiObjectsInUse();
    for (int i = 0; i < 1000; i++) {
        a->Invalidate();
        if (i % 100 == 0) window.Mouse(WM_MOUSEMOVE, 20 + i % 7, 20);
        ::UpdateWindow(window.hwnd);
    }
    window.Pump();
    // The desktop's own windows may still hold a few objects for a moment.
    DWORD after = GdiObjectsInUse();
    for (int retry = 0; retry < 10 && after > before + 2; ++retry) {
        ::Sleep(200);
        after = GdiObjectsInUse();
    }
    EXPECT_LE(after, before + 2) << "GDI objects before " << before << ", after 1000 paints " << after;
    ScopedBitmap probe(::CreateCompatibleBitmap(window.pm.GetPaintDC(), 8, 8));
    EXPECT_TRUE(probe);
    EXPECT_EQ(Pixels(window.hwnd).At(30, 30), 0xFF0000u);
}

} // namespace
