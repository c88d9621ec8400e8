#include "tests/ui_text/TextTestSupport.h"

#include "tests/support/TestSupport.h"
#include "base/ScopedGdi.h"
#include "base/TextConversion.h"

#include <algorithm>
#include <cstdlib>

using namespace SkinUI;

namespace {

const wchar_t kWindowClass[] = L"CorvaneTextTestWindow";

LRESULT CALLBACK TestWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const bool systemMouse = (message == WM_MOUSELEAVE || message == WM_MOUSEHOVER) && (wParam & kPostedMark) == 0;
    if (systemMouse) return 0;
    auto* pm = reinterpret_cast<CPaintManagerUI*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    LRESULT result = 0;
    if (pm != nullptr && pm->MessageHandler(message, wParam, lParam, result)) return result;
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace

TestHost::~TestHost()
{
    for (Child& child : m_children) delete child.control;
}

void TestHost::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init)
{
    CControlUI::SetManager(manager, parent, init);
    for (Child& child : m_children) child.control->SetManager(manager, this, init);
}

void TestHost::SetPos(RECT rc)
{
    CControlUI::SetPos(rc);
    for (Child& child : m_children) child.control->SetPos(child.rc);
}

CControlUI* TestHost::FindControl(FINDCONTROLPROC proc, LPVOID data, UINT flags)
{
    if ((flags & UIFIND_HITTEST) != 0 && !::PtInRect(&m_itemRect, *static_cast<POINT*>(data))) return nullptr;
    for (Child& child : m_children) {
        if (CControlUI* found = child.control->FindControl(proc, data, flags)) return found;
    }
    return CControlUI::FindControl(proc, data, flags);
}

void TestHost::DoPaint(HDC hDC, const RECT& rcPaint)
{
    CControlUI::DoPaint(hDC, rcPaint);
    for (Child& child : m_children) child.control->DoPaint(hDC, rcPaint);
}

int Pixels::CountOther(const RECT& rc, DWORD color, bool inside) const
{
    int count = 0;
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            const POINT pt = { x, y };
            if ((::PtInRect(&rc, pt) != FALSE) == inside && At(x, y) != color) count++;
        }
    }
    return count;
}

int Pixels::CountNear(DWORD color, int tolerance, const RECT* rc) const
{
    int count = 0;
    for (size_t i = 0; i < data.size(); i++) {
        const POINT pt = { static_cast<LONG>(i % static_cast<size_t>(width)), static_cast<LONG>(i / static_cast<size_t>(width)) };
        if (rc != nullptr && !::PtInRect(rc, pt)) continue;
        const DWORD p = data[i];
        bool similar = true;
        for (int shift = 0; shift < 24; shift += 8) {
            const int channel = static_cast<int>((p >> shift) & 0xFF);
            similar = similar && std::abs(channel - static_cast<int>((color >> shift) & 0xFF)) <= tolerance;
        }
        count += similar;
    }
    return count;
}

RECT Pixels::InkBox(DWORD color) const
{
    RECT box = { width, height, -1, -1 };
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            if (At(x, y) == color) continue;
            box = RECT{ std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x + 1),
                        std::max<LONG>(box.bottom, y + 1) };
        }
    }
    return box;
}

Pixels Render(int width, int height, DWORD background, const std::function<void(HDC)>& paint)
{
    Pixels pixels;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    ScopedBitmap section(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ScopedCreatedDC dc(::CreateCompatibleDC(nullptr));
    if (!section || !dc || bits == nullptr) return pixels;
    {
        ScopedSelectObject select(dc.Get(), section.Get());
        ScopedBrush brush(::CreateSolidBrush(RGB(background >> 16, (background >> 8) & 0xFF, background & 0xFF)));
        const RECT all = { 0, 0, width, height };
        ::FillRect(dc.Get(), &all, brush.Get());
        paint(dc.Get());
        ::GdiFlush();
    }
    pixels.width = width;
    pixels.height = height;
    const DWORD* p = static_cast<const DWORD*>(bits);
    pixels.data.assign(p, p + width * height);
    return pixels;
}

TestWindow::TestWindow(int w, int h) : width(w), height(h)
{
    WNDCLASSW wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = TestWndProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kWindowClass;
    ::RegisterClassW(&wc);
    hwnd = ::CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, L"text test", WS_POPUP, 10, 10, w, h, nullptr, nullptr,
                             wc.hInstance, nullptr);
    pm.Init(hwnd);
    pm.AddNotifier(this);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&pm));
    ::ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    CPaintManagerUI::SetResourcePath(FixtureDir().c_str());
}

TestWindow::~TestWindow()
{
    ::DestroyWindow(hwnd);
}

void TestWindow::Notify(TNotifyUI& msg)
{
    const std::wstring sender = msg.sender != nullptr ? msg.sender->GetName().GetData() : L"-";
    notes.push_back(msg.type.GetData() + std::wstring(L":") + sender);
}

void TestWindow::Attach(CControlUI* root)
{
    pm.AttachDialog(root);
    Capture();
}

void TestWindow::Mouse(UINT message, int x, int y)
{
    ::PostMessageW(hwnd, message, kPostedMark, MAKELPARAM(x, y));
    Pump();
}

void TestWindow::Pump()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!CPaintManagerUI::TranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

Pixels TestWindow::Capture(DWORD background)
{
    ::InvalidateRect(hwnd, nullptr, FALSE);
    ::UpdateWindow(hwnd);
    Pump();
    return Render(width, height, background, [this](HDC dc) {
        ::SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    });
}

std::wstring FixtureDir()
{
    return ToWide(TestDataDir()) + L"\\";
}
