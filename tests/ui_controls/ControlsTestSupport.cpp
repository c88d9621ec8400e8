#include "tests/ui_controls/ControlsTestSupport.h"

#include "tests/support/TestSupport.h"
#include "base/ScopedGdi.h"
#include "base/TextConversion.h"
#include "ui/controls/DialogBuilder.h"
#include "ui/core/ControlUI.h"

using namespace SkinUI;

namespace {

const wchar_t kHostClass[] = L"CorvaneControlsHost";

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* pm = reinterpret_cast<CPaintManagerUI*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    LRESULT result = 0;
    if (pm != nullptr && pm->MessageHandler(message, wParam, lParam, result)) return result;
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

POINT Centre(const RECT& rc)
{
    return POINT{ (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2 };
}

} // namespace

void UseTestSkins()
{
    CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
    CPaintManagerUI::SetResourcePath((ToWide(TestDataDir()) + L"\\").c_str());
    CPaintManagerUI::SetResourceZip(L"skin.zip", true);
}

void Pump()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Not ours to take: leave it for the test that posted it.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (!CPaintManagerUI::TranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

Pixels::Pixels(HWND hwnd)
{
    RECT client = {};
    ::GetClientRect(hwnd, &client);
    width = client.right;
    height = client.bottom;
    BITMAPINFO info = {};
    info.bmiHeader = { sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
    void* bits = nullptr;
    ScopedBitmap section(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ScopedCreatedDC dc(::CreateCompatibleDC(nullptr));
    if (!section || !dc) return;
    {
        ScopedSelectObject select(dc.Get(), section.Get());
        ::SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.Get()), PRF_CLIENT);
    }
    ::GdiFlush();
    const DWORD* pixels = static_cast<const DWORD*>(bits);
    m_rgb.assign(pixels, pixels + width * height);
}

DWORD Pixels::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height || m_rgb.empty()) return 0xDEADBEEF;
    return m_rgb[y * width + x] & 0xFFFFFF;
}

HostWindow::HostWindow(int width, int height)
{
    UseTestSkins();
    WNDCLASSW wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = HostProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.lpszClassName = kHostClass;
    ::RegisterClassW(&wc);
    hwnd = ::CreateWindowExW(WS_EX_TOOLWINDOW, kHostClass, L"controls test", WS_POPUP | WS_VISIBLE, 20, 20, width,
                             height, nullptr, nullptr, wc.hInstance, nullptr);
    pm.Init(hwnd);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&pm));
}

HostWindow::~HostWindow()
{
    ::DestroyWindow(hwnd);
}

CControlUI* HostWindow::Build(const wchar_t* xml, IDialogBuilderCallback* callback)
{
    CDialogBuilder builder;
    CControlUI* root = builder.Create(STRINGorID(xml), nullptr, callback, &pm);
    if (root != nullptr) Attach(root);
    return root;
}

void HostWindow::Attach(CControlUI* root)
{
    pm.AttachDialog(root);
    Layout();
}

void HostWindow::Layout()
{
    ::InvalidateRect(hwnd, nullptr, FALSE);
    ::UpdateWindow(hwnd);
    Pump();
}

CControlUI* HostWindow::Find(const wchar_t* name) const
{
    return pm.FindControl(name);
}

void HostWindow::Mouse(UINT message, int x, int y, WPARAM keys)
{
    ::PostMessageW(hwnd, message, keys, MAKELPARAM(x, y));
    Pump();
}

void HostWindow::Resize(int width, int height)
{
    ::SetWindowPos(hwnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
}

SkinWindow::SkinWindow(std::wstring xml, UILIB_RESOURCETYPE type) : m_xml(std::move(xml)), m_type(type)
{
    CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
}

SkinWindow::~SkinWindow()
{
    if (m_hWnd != nullptr) ::DestroyWindow(m_hWnd);
}

HWND SkinWindow::Open(HWND owner)
{
    HWND hwnd = Create(owner, L"skin window", WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW, 50, 50, 120, 90);
    if (hwnd != nullptr) {
        ::UpdateWindow(hwnd);
        Pump();
    }
    return hwnd;
}

CControlUI* SkinWindow::Find(const wchar_t* name)
{
    return m_PaintManager.FindControl(name);
}

void SkinWindow::Click(const wchar_t* name)
{
    CControlUI* control = Find(name);
    if (control == nullptr) return;
    const POINT pt = Centre(control->GetPos());
    const HWND hwnd = m_hWnd;
    ::PostMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(pt.x, pt.y));
    ::PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
    ::PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
    Pump();
}

LRESULT SkinWindow::HitTest(int x, int y)
{
    POINT pt = { x, y };
    ::ClientToScreen(m_hWnd, &pt);
    return ::SendMessageW(m_hWnd, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
}

const wchar_t* SkinWindow::GetWndClassName() const
{
    return L"CorvaneSkinWindow";
}

CUIString SkinWindow::GetSkinPath()
{
    return m_type == UILIB_FILE ? L"test-data\\files\\" : L"test-data\\";
}

CUIString SkinWindow::GetSkinXml()
{
    return m_xml.c_str();
}

UILIB_RESOURCETYPE SkinWindow::GetResourceType() const
{
    return m_type;
}

CUIString SkinWindow::GetZIPFileName() const
{
    return L"skin.zip";
}

CUIString SkinWindow::GetResourceID() const
{
    return resourceId.c_str();
}

LRESULT SkinWindow::OnClose(UINT, WPARAM wParam, LPARAM, bool& bHandled)
{
    closeCode = static_cast<UINT>(wParam);
    bHandled = false;
    return 0;
}

void SkinWindow::OnFinalMessage(HWND hWnd)
{
    WindowImplBase::OnFinalMessage(hWnd);
    finalMessage = true;
}

void SkinWindow::Notify(TNotifyUI& msg)
{
    const std::wstring sender = msg.sender != nullptr ? msg.sender->GetName().GetData() : L"-";
    if (msg.type != L"timer") notes.push_back(std::wstring(msg.type.GetData()) + L":" + sender);
    WindowImplBase::Notify(msg);
}

CControlUI* SkinWindow::CreateControl(const wchar_t* pstrClass)
{
    asked.push_back(pstrClass);
    return factory ? factory(pstrClass) : nullptr;
}
