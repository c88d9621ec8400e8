// The layered shadow window behind an owner that moves and sizes it.
#include "tests/ui_text/TextTestSupport.h"

#include "ui/core/ShadowWnd.h"

#include <gtest/gtest.h>

using namespace SkinUI;

namespace {

// Positions the shadow the way a pop-up owner does: moves keep the size,
// sizes keep the place, never activating or reordering it.
LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND shadow = reinterpret_cast<HWND>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (shadow != nullptr && (message == WM_MOVE || message == WM_SIZE)) {
        RECT rc = {};
        ::GetWindowRect(hwnd, &rc);
        const UINT keep = message == WM_MOVE ? SWP_NOSIZE : SWP_NOMOVE;
        ::SetWindowPos(shadow, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                       keep | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

void PumpFor(DWORD ms)
{
    const DWORD start = ::GetTickCount();
    MSG msg;
    while (::GetTickCount() - start < ms) {
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        ::Sleep(5);
    }
}

TEST(ShadowTest, FollowsItsOwnerAndRendersOncePerBurstOfSizes)
{
    CPaintManagerUI::SetResourcePath(FixtureDir().c_str());
    // Bottom right of whatever screen the test gets, out of the way of other
    // tests' windows.
    const int x0 = ::GetSystemMetrics(SM_CXSCREEN) - 280;
    const int y0 = ::GetSystemMetrics(SM_CYSCREEN) - 220;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = OwnerProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"CorvaneShadowOwner";
    ::RegisterClassW(&wc);
    HWND owner = ::CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP, x0, y0, 200, 150, nullptr,
                                   nullptr, wc.hInstance, nullptr);
    auto* shadow = new CShadowWnd;
    HWND hwnd = shadow->Create(nullptr, L"", WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS, WS_EX_LAYERED | WS_EX_TOOLWINDOW,
                               x0, y0, 200, 150);
    ASSERT_NE(hwnd, nullptr);
    wchar_t name[32] = {};
    ::GetClassNameW(hwnd, name, 32);
    EXPECT_STREQ(name, L"UIShadow");
    ::SetWindowLongPtrW(owner, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(hwnd));
    ::ShowWindow(owner, SW_SHOWNOACTIVATE);
    PumpFor(60);
    const int initial = shadow->GetRenderCount();
    EXPECT_EQ(initial, 1);
    // The opaque middle of the image is on the screen, whatever lies below.
    // The X server may show it a moment after the layered update.
    COLORREF middle = CLR_INVALID;
    for (int tries = 0; tries < 50 && middle != RGB(40, 40, 40); tries++) {
        PumpFor(20);
        HDC screen = ::GetDC(nullptr);
        middle = ::GetPixel(screen, x0 + 100, y0 + 75);
        ::ReleaseDC(nullptr, screen);
    }
    EXPECT_EQ(middle, RGB(40, 40, 40));

    struct Step {
        int x, y, w, h;
        int renders;
    } steps[] = {
        { x0 + 50, y0 + 20, 200, 150, 0 },
        { x0 + 50, y0 + 20, 160, 180, 1 },
        { x0, y0, 160, 180, 0 },
    };
    for (const Step& s : steps) {
        const int before = shadow->GetRenderCount();
        // A burst of sizes (or of moves) before the timer can tick.
        for (int i = 3; i >= 0; i--) {
            const int dx = s.renders == 0 ? i : 0;
            ::SetWindowPos(owner, nullptr, s.x + dx, s.y, s.w + i - dx, s.h, SWP_NOZORDER | SWP_NOACTIVATE);
        }
        PumpFor(80);
        RECT ownerRect = {};
        RECT shadowRect = {};
        ::GetWindowRect(owner, &ownerRect);
        ::GetWindowRect(hwnd, &shadowRect);
        EXPECT_TRUE(::EqualRect(&ownerRect, &shadowRect));
        EXPECT_EQ(shadowRect.right - shadowRect.left, s.w);
        EXPECT_EQ(shadow->GetRenderCount() - before, s.renders) << s.x << "," << s.w;
    }
    // The class of the framework's own shadow windows registers once.
    EXPECT_TRUE(CPaintManagerUI::InitializeShadow(::GetModuleHandleW(nullptr)));
    EXPECT_TRUE(CPaintManagerUI::InitializeShadow(::GetModuleHandleW(nullptr)));
    WNDCLASSW registered = {};
    EXPECT_TRUE(::GetClassInfoW(::GetModuleHandleW(nullptr), L"UIShadowWnd", &registered));

    // Closing ends the window; the object deletes itself.
    ::SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindow(hwnd));
    ::DestroyWindow(owner);
}

} // namespace
