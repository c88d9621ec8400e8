#include "tests/support/UiHarness.h"

#include <algorithm>
#include <cstdlib>

using namespace SkinUI;

namespace {

const wchar_t kHostClass[] = L"CorvaneTestPaintHost";

void* NewSection(int width, int height, ScopedBitmap& bitmap)
{
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    bitmap.Reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    return bitmap ? bits : nullptr;
}

}  // namespace

LRESULT CALLBACK PaintHostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* host = reinterpret_cast<PaintHost*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (host == nullptr || host->hwnd != hwnd)
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    const bool systemHover = (message == WM_MOUSELEAVE || message == WM_MOUSEHOVER) && (wParam & kPostedMark) == 0;
    if (host->m_style.onlyPostedHover && systemHover)
        return 0;
    LRESULT result = 0;
    if (host->pm.MessageHandler(message, wParam, lParam, result))
        return result;
    if (message == WM_CLOSE && host->m_style.keepOpen)
        return 0;
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

void PumpUiMessages()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (!CPaintManagerUI::TranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

Canvas::Canvas(int width, int height, DWORD fill)
    : m_width(width), m_height(height), m_bits(static_cast<DWORD*>(NewSection(width, height, m_bitmap))),
      m_dc(::CreateCompatibleDC(nullptr)), m_select(m_dc.Get(), m_bitmap.Get())
{
    Fill(fill);
}

const DWORD* Canvas::Bits() const
{
    ::GdiFlush();
    return m_bits;
}

void Canvas::Fill(DWORD color)
{
    ::GdiFlush();
    if (m_bits != nullptr)
        std::fill(m_bits, m_bits + m_width * m_height, color);
}

Pixels::Pixels(const Canvas& canvas) : width(canvas.width()), height(canvas.height())
{
    const DWORD* bits = canvas.Bits();
    if (bits == nullptr)
        return;
    data.reserve(static_cast<size_t>(width * height));
    for (int i = 0; i < width * height; i++)
        data.push_back(bits[i] & 0xFFFFFF);
}

Pixels::Pixels(HWND window, DWORD background)
{
    RECT client = {};
    ::GetClientRect(window, &client);
    *this = Render(client.right, client.bottom, background, [window](HDC dc) {
        ::SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    });
}

DWORD Pixels::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height || data.empty())
        return 0xDEADBEEF;
    return data[static_cast<size_t>(y * width + x)];
}

int Pixels::CountOther(const RECT& rc, DWORD color, bool inside) const
{
    int count = 0;
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            const POINT pt = {x, y};
            if ((::PtInRect(&rc, pt) != FALSE) == inside && At(x, y) != color)
                count++;
        }
    }
    return count;
}

int Pixels::CountNear(DWORD color, int tolerance, const RECT* rc) const
{
    int count = 0;
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            const POINT pt = {x, y};
            if (rc != nullptr && !::PtInRect(rc, pt))
                continue;
            bool similar = true;
            for (int shift = 0; shift < 24; shift += 8) {
                const int channel = static_cast<int>((At(x, y) >> shift) & 0xFF);
                similar = similar && std::abs(channel - static_cast<int>((color >> shift) & 0xFF)) <= tolerance;
            }
            count += similar;
        }
    }
    return count;
}

RECT Pixels::InkBox(DWORD color) const
{
    RECT box = {width, height, -1, -1};
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            if (At(x, y) == color)
                continue;
            box = RECT{std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x + 1),
                       std::max<LONG>(box.bottom, y + 1)};
        }
    }
    return box;
}

Pixels Render(int width, int height, DWORD background, const std::function<void(HDC)>& paint)
{
    const Canvas canvas(width, height, background & 0xFFFFFF);
    if (canvas.Bits() == nullptr)
        return Pixels();
    paint(canvas.dc());
    return Pixels(canvas);
}

PaintHost::PaintHost(int w, int h, HostStyle style) : width(w), height(h), m_style(style)
{
    WNDCLASSW wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = PaintHostProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.lpszClassName = kHostClass;
    ::RegisterClassW(&wc);
    const DWORD visible = style.activate ? WS_VISIBLE : 0;
    hwnd = ::CreateWindowExW(style.exStyle, kHostClass, L"test host", WS_POPUP | visible, style.at.x, style.at.y, w, h,
                             nullptr, nullptr, wc.hInstance, this);
    pm.Init(hwnd);
    if (style.keepNotes)
        pm.AddNotifier(this);
    if (!style.activate)
        ::ShowWindow(hwnd, SW_SHOWNOACTIVATE);
}

PaintHost::~PaintHost()
{
    pm.RemoveNotifier(this);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd);
}

void PaintHost::Notify(TNotifyUI& msg)
{
    if (describe) {
        notes.push_back(describe(msg));
        return;
    }
    const std::wstring sender = msg.sender != nullptr ? msg.sender->GetName().GetData() : L"-";
    notes.push_back(msg.type.GetData() + std::wstring(L":") + sender);
}

void PaintHost::Attach(CControlUI* root)
{
    pm.AttachDialog(root);
    Repaint();
}

void PaintHost::Repaint()
{
    ::InvalidateRect(hwnd, nullptr, FALSE);
    ::UpdateWindow(hwnd);
    PumpUiMessages();
}

void PaintHost::Post(UINT message, WPARAM wParam, LPARAM lParam)
{
    ::PostMessageW(hwnd, message, wParam, lParam);
    PumpUiMessages();
}

void PaintHost::Resize(int w, int h)
{
    width = w;
    height = h;
    ::SetWindowPos(hwnd, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Repaint();
}

Pixels PaintHost::Capture(DWORD background)
{
    Repaint();
    return Pixels(hwnd, background);
}

FixedPanel::~FixedPanel()
{
    for (Child& child : m_children)
        delete child.control;
}

void FixedPanel::AddChild(CControlUI* child, RECT rc)
{
    m_children.push_back({child, rc});
    child->SetManager(m_manager, this, false);
}

void FixedPanel::Remove(CControlUI* child)
{
    m_children.erase(
        std::remove_if(m_children.begin(), m_children.end(), [child](const Child& c) { return c.control == child; }),
        m_children.end());
}

void FixedPanel::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init)
{
    CControlUI::SetManager(manager, parent, init);
    for (Child& child : m_children)
        child.control->SetManager(manager, this, init);
}

void FixedPanel::SetPos(RECT rc)
{
    CControlUI::SetPos(rc);
    for (Child& child : m_children)
        child.control->SetPos(child.rc);
}

CControlUI* FixedPanel::FindControl(FINDCONTROLPROC proc, LPVOID data, UINT flags)
{
    if (((flags & UIFIND_VISIBLE) != 0 && !IsVisible()) || ((flags & UIFIND_ENABLED) != 0 && !IsEnabled())) {
        return nullptr;
    }
    if ((flags & UIFIND_HITTEST) != 0 && !::PtInRect(&m_itemRect, *static_cast<POINT*>(data)))
        return nullptr;
    if ((flags & UIFIND_ME_FIRST) != 0) {
        if (CControlUI* found = CControlUI::FindControl(proc, data, flags))
            return found;
    }
    const bool topFirst = (flags & UIFIND_TOP_FIRST) != 0;
    for (size_t i = 0; i < m_children.size(); i++) {
        CControlUI* child = m_children[topFirst ? m_children.size() - 1 - i : i].control;
        if (CControlUI* found = child->FindControl(proc, data, flags))
            return found;
    }
    return (flags & UIFIND_ME_FIRST) != 0 ? nullptr : CControlUI::FindControl(proc, data, flags);
}

void FixedPanel::DoPaint(HDC hDC, const RECT& rcPaint)
{
    RECT area;
    if (!::IntersectRect(&area, &rcPaint, &m_itemRect))
        return;
    CControlUI::DoPaint(hDC, rcPaint);
    for (Child& child : m_children) {
        if (child.control->IsVisible() && ::IntersectRect(&area, &rcPaint, &child.control->GetPos())) {
            child.control->DoPaint(hDC, rcPaint);
        }
    }
}
