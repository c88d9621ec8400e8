// Painting a tree a thousand times leaves no GDI object behind. A program of
// its own, run while no other test runs: Wine counts GDI objects for the
// whole session, and every other program that draws moves that count.
#include "PaintTestSupport.h"

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

DWORD PixelAt(const BYTE* bits, int width, int x, int y)
{
    return reinterpret_cast<const DWORD*>(bits)[y * width + x] & 0x00FFFFFF;
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
    BITMAPINFO info = {};
    info.bmiHeader = { sizeof(BITMAPINFOHEADER), 120, -80, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
    void* bits = nullptr;
    ScopedBitmap section(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ScopedCreatedDC dc(::CreateCompatibleDC(nullptr));
    ASSERT_TRUE(section && dc);
    {
        ScopedSelectObject select(dc.Get(), section.Get());
        ::SendMessageW(window.hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.Get()), PRF_CLIENT);
    }
    const BYTE* pixels = static_cast<const BYTE*>(bits);
    EXPECT_EQ(PixelAt(pixels, 120, 100, 70), 0x00FF00u);
    EXPECT_EQ(PixelAt(pixels, 120, 30, 30), 0xFF0000u);
    EXPECT_EQ(PixelAt(pixels, 120, 10, 30), 0x0000FFu);

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
    {
        ScopedSelectObject select(dc.Get(), section.Get());
        ::SendMessageW(window.hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.Get()), PRF_CLIENT);
    }
    EXPECT_EQ(PixelAt(pixels, 120, 30, 30), 0xFF0000u);
}

} // namespace
