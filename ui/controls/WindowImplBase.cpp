#include "ui/controls/WindowImplBase.h"

#include "ui/core/AttributeValues.h"
#include "ui/core/ControlUI.h"
#include "ui/core/ImageLoader.h"

#include <windowsx.h>

#include <cstring>
#include <cwchar>

namespace SkinUI {

namespace {

// "Loading the resource file failed".
const wchar_t kLoadFailedText[] = L"\u52a0\u8f7d\u8d44\u6e90\u6587\u4ef6\u5931\u8d25";

RECT WorkAreaOnMonitor(HWND hWnd)
{
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(hWnd, MONITOR_DEFAULTTONEAREST), &monitor);
    RECT work = monitor.rcWork;
    ::OffsetRect(&work, -monitor.rcMonitor.left, -monitor.rcMonitor.top);
    return work;
}

} // namespace


UI_BEGIN_MESSAGE_MAP(WindowImplBase, CNotifyPump)
UI_ON_MSGTYPE(L"click", WindowImplBase::OnClick)
UI_END_MESSAGE_MAP()

WindowImplBase::WindowImplBase() = default;

WindowImplBase::~WindowImplBase() = default;

CPaintManagerUI& WindowImplBase::GetPaintManager()
{
    return m_PaintManager;
}

void WindowImplBase::InitWindow()
{
}

void WindowImplBase::OnClick(TNotifyUI& msg)
{
    if (msg.sender == nullptr) return;
    const CUIString name = msg.sender->GetName();
    if (name == L"closebtn") {
        Close(1);
    } else if (name == L"minbtn") {
        SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    } else if (name == L"maxbtn") {
        SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    } else if (name == L"restorebtn") {
        SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
    }
}

void WindowImplBase::Notify(TNotifyUI& msg)
{
    NotifyPump(msg);
}

LRESULT WindowImplBase::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled)
{
    (void)lParam;
    (void)bHandled;
    if (uMsg == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE)) return ResponseDefaultKeyEvent(wParam);
    return 0;
}

CControlUI* WindowImplBase::CreateControl(const wchar_t* pstrClass)
{
    (void)pstrClass;
    return nullptr;
}

const wchar_t* WindowImplBase::GetSuperClassName() const
{
    return nullptr;
}

UINT WindowImplBase::GetClassStyle() const
{
    return CS_DBLCLKS;
}

LRESULT WindowImplBase::ResponseDefaultKeyEvent(WPARAM wParam)
{
    if (wParam == VK_ESCAPE) {
        Close(1);
        return 1;
    }
    return 0;
}

UILIB_RESOURCETYPE WindowImplBase::GetResourceType() const
{
    return UILIB_ZIP;
}

CUIString WindowImplBase::GetZIPFileName() const
{
    return CUIString();
}

CUIString WindowImplBase::GetResourceID() const
{
    return CUIString();
}

LONG WindowImplBase::GetStyle()
{
    return ::GetWindowLongW(m_hWnd, GWL_STYLE) & ~static_cast<LONG>(WS_CAPTION);
}

void WindowImplBase::OnFinalMessage(HWND hWnd)
{
    (void)hWnd;
    m_PaintManager.RemovePreMessageFilter(this);
    m_PaintManager.RemoveNotifier(this);
    m_PaintManager.ReapObjects(m_PaintManager.GetRoot());
}

// ---------------------------------------------------------------------------
// Message dispatch

LRESULT WindowImplBase::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    bool handled = true;
    LRESULT result = 0;
    switch (uMsg) {
    case WM_CREATE: result = OnCreate(uMsg, wParam, lParam, handled); break;
    case WM_CLOSE: result = OnClose(uMsg, wParam, lParam, handled); break;
    case WM_DESTROY: result = OnDestroy(uMsg, wParam, lParam, handled); break;
    case WM_NCACTIVATE: result = OnNcActivate(uMsg, wParam, lParam, handled); break;
    case WM_NCCALCSIZE: result = OnNcCalcSize(uMsg, wParam, lParam, handled); break;
    case WM_NCPAINT: result = OnNcPaint(uMsg, wParam, lParam, handled); break;
    case WM_NCHITTEST: result = OnNcHitTest(uMsg, wParam, lParam, handled); break;
    case WM_GETMINMAXINFO: result = OnGetMinMaxInfo(uMsg, wParam, lParam, handled); break;
    case WM_MOUSEWHEEL: result = OnMouseWheel(uMsg, wParam, lParam, handled); break;
    case WM_MOUSEHOVER: result = OnMouseHover(uMsg, wParam, lParam, handled); break;
    case WM_SIZE: result = OnSize(uMsg, wParam, lParam, handled); break;
    case WM_SIZING: result = OnSizing(uMsg, wParam, lParam, handled); break;
    case WM_CHAR: result = OnChar(uMsg, wParam, lParam, handled); break;
    case WM_SYSCOMMAND: result = OnSysCommand(uMsg, wParam, lParam, handled); break;
    case WM_KEYDOWN: result = OnKeyDown(uMsg, wParam, lParam, handled); break;
    case WM_KILLFOCUS: result = OnKillFocus(uMsg, wParam, lParam, handled); break;
    case WM_SETFOCUS: result = OnSetFocus(uMsg, wParam, lParam, handled); break;
    case WM_LBUTTONDOWN: result = OnLButtonDown(uMsg, wParam, lParam, handled); break;
    case WM_LBUTTONUP: result = OnLButtonUp(uMsg, wParam, lParam, handled); break;
    case WM_MOUSEMOVE: result = OnMouseMove(uMsg, wParam, lParam, handled); break;
    case WM_DROPFILES: result = OnDropFiles(uMsg, wParam, lParam, handled); break;
    case WM_WINDOWPOSCHANGED: result = OnWindowPosChanged(uMsg, wParam, lParam, handled); break;
    case WM_WINDOWPOSCHANGING: result = OnWindowPosChanging(uMsg, wParam, lParam, handled); break;
    default: handled = false; break;
    }
    if (handled) return result;

    handled = true;
    result = HandleCustomMessage(uMsg, wParam, lParam, handled);
    if (handled) return result;

    if (m_PaintManager.MessageHandler(uMsg, wParam, lParam, result)) return result;
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

LRESULT WindowImplBase::OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled)
{
    (void)uMsg;
    (void)wParam;
    (void)lParam;
    (void)bHandled;
    LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
    style &= ~static_cast<LONG>(WS_CAPTION);
    style |= WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    ::SetWindowLongW(m_hWnd, GWL_STYLE, style);

    m_PaintManager.Init(m_hWnd);
    m_PaintManager.AddPreMessageFilter(this);

    CUIString resourcePath = CPaintManagerUI::GetInstancePath();
    resourcePath += GetSkinPath();
    CPaintManagerUI::SetResourcePath(resourcePath.GetData());

    const UILIB_RESOURCETYPE type = GetResourceType();
    if (type == UILIB_ZIP) {
        CPaintManagerUI::SetResourceZip(GetZIPFileName().GetData(), true);
    } else if (type == UILIB_ZIPRESOURCE) {
        // The archive is read where the module holds it: a copy would have
        // to outlive every window that uses it.
        const BYTE* bytes = nullptr;
        DWORD size = 0;
        const CUIString id = GetResourceID();
        if (FindSkinResource(STRINGorID(id.GetData()), L"ZIPRES", bytes, size) != SkinFileResult::Ok) return 0;
        CPaintManagerUI::SetResourceZip(bytes, size);
    }

    CDialogBuilder builder;
    CControlUI* root = nullptr;
    const CUIString skin = GetSkinXml();
    if (type == UILIB_RESOURCE) {
        root = builder.Create(STRINGorID(ReadResourceId(skin.GetData())), L"xml", this, &m_PaintManager);
    } else {
        root = builder.Create(STRINGorID(skin.GetData()), nullptr, this, &m_PaintManager);
    }
    if (root == nullptr) {
        ::MessageBoxW(nullptr, kLoadFailedText, L"SkinUI", MB_OK | MB_ICONSTOP);
        ::ExitProcess(1);
    }

    m_PaintManager.AttachDialog(root);
    m_PaintManager.AddNotifier(this);
    m_PaintManager.SetBackgroundTransparent(true);
    InitWindow();
    return 0;
}

// ---------------------------------------------------------------------------
// Handlers

LRESULT WindowImplBase::OnClose(UINT, WPARAM, LPARAM, bool& bHandled)
{
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnDestroy(UINT, WPARAM, LPARAM, bool& bHandled)
{
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnNcActivate(UINT, WPARAM wParam, LPARAM, bool& bHandled)
{
    if (::IsIconic(m_hWnd)) bHandled = false;
    return wParam == 0 ? TRUE : FALSE;
}

LRESULT WindowImplBase::OnNcCalcSize(UINT, WPARAM wParam, LPARAM lParam, bool& bHandled)
{
    (void)bHandled;
    if (!::IsZoomed(m_hWnd)) return 0;
    RECT* proposed = wParam != 0 ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0]
                                 : reinterpret_cast<RECT*>(lParam);
    const RECT work = WorkAreaOnMonitor(m_hWnd);
    proposed->right = proposed->left + (work.right - work.left);
    proposed->bottom = proposed->top + (work.bottom - work.top);
    return WVR_REDRAW;
}

LRESULT WindowImplBase::OnNcPaint(UINT, WPARAM, LPARAM, bool& bHandled)
{
    (void)bHandled;
    return 0;
}

LRESULT WindowImplBase::OnNcHitTest(UINT, WPARAM, LPARAM lParam, bool& bHandled)
{
    (void)bHandled;
    POINT pt = { GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam) };
    ::ScreenToClient(m_hWnd, &pt);
    RECT client = {};
    ::GetClientRect(m_hWnd, &client);

    if (!::IsZoomed(m_hWnd)) {
        const RECT& box = m_PaintManager.GetSizeBox();
        const bool left = pt.x < client.left + box.left;
        const bool right = pt.x >= client.right - box.right;
        if (pt.y < client.top + box.top) {
            if (left) return HTTOPLEFT;
            if (right) return HTTOPRIGHT;
            return HTTOP;
        }
        if (pt.y >= client.bottom - box.bottom) {
            if (left) return HTBOTTOMLEFT;
            if (right) return HTBOTTOMRIGHT;
            return HTBOTTOM;
        }
        if (left) return HTLEFT;
        if (right) return HTRIGHT;
    }

    const RECT& caption = m_PaintManager.GetCaptionRect();
    const LONG captionRight = caption.right != 0 ? client.left + caption.right : client.right;
    if (pt.x >= client.left + caption.left && pt.x < captionRight && pt.y >= client.top + caption.top &&
        pt.y < client.top + caption.bottom) {
        CControlUI* control = m_PaintManager.FindControl(pt);
        // Buttons, options and texts keep their clicks; anything else drags.
        if (control != nullptr && _wcsicmp(control->GetClass(), L"ButtonUI") != 0 &&
            _wcsicmp(control->GetClass(), L"OptionUI") != 0 && _wcsicmp(control->GetClass(), L"TextUI") != 0) {
            return HTCAPTION;
        }
    }
    return HTCLIENT;
}

LRESULT WindowImplBase::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, bool& bHandled)
{
    MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lParam);
    const RECT work = WorkAreaOnMonitor(m_hWnd);
    info->ptMaxPosition.x = work.left;
    info->ptMaxPosition.y = work.top;
    info->ptMaxTrackSize.x = work.right - work.left;
    info->ptMaxTrackSize.y = work.bottom - work.top;
    const SIZE minimum = m_PaintManager.GetMinInfo();
    info->ptMinTrackSize.x = minimum.cx;
    info->ptMinTrackSize.y = minimum.cy;
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnMouseWheel(UINT, WPARAM, LPARAM, bool& bHandled)
{
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnMouseHover(UINT, WPARAM, LPARAM, bool& bHandled)
{
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnSize(UINT, WPARAM, LPARAM, bool& bHandled)
{
    const SIZE corner = m_PaintManager.GetRoundCorner();
    if (!::IsIconic(m_hWnd) && (corner.cx != 0 || corner.cy != 0)) {
        RECT window = {};
        ::GetWindowRect(m_hWnd, &window);
        ScopedRegion region(::CreateRoundRectRgn(0, 0, window.right - window.left + 1,
                                                 window.bottom - window.top + 1, corner.cx, corner.cy));
        // The window owns a region it accepted.
        if (region && ::SetWindowRgn(m_hWnd, region.Get(), TRUE) != 0) {
            HRGN owned = region.Release();
            (void)owned;
        }
    }
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnSizing(UINT, WPARAM, LPARAM, bool& bHandled)
{
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnChar(UINT, WPARAM, LPARAM, bool& bHandled)
{
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled)
{
    // The low four bits of the command are the system's own.
    if ((wParam & 0xFFF0) == SC_CLOSE) {
        SendMessage(WM_CLOSE);
        bHandled = true;
        return 0;
    }
    const bool wasZoomed = ::IsZoomed(m_hWnd) != FALSE;
    const LRESULT result = CWindowWnd::HandleMessage(uMsg, wParam, lParam);
    const bool zoomed = ::IsZoomed(m_hWnd) != FALSE;
    if (zoomed != wasZoomed) {
        CControlUI* maxButton = m_PaintManager.FindControl(L"maxbtn");
        CControlUI* restoreButton = m_PaintManager.FindControl(L"restorebtn");
        if (maxButton != nullptr) maxButton->SetVisible(!zoomed);
        if (restoreButton != nullptr) restoreButton->SetVisible(zoomed);
    }
    return result;
}

LRESULT WindowImplBase::OnKeyDown(UINT, WPARAM, LPARAM, bool& bHandled)
{
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnKillFocus(UINT, WPARAM, LPARAM, bool& bHandled)
{
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnSetFocus(UINT, WPARAM, LPARAM, bool& bHandled)
{
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnLButtonDown(UINT, WPARAM, LPARAM, bool& bHandled)
{
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnLButtonUp(UINT, WPARAM, LPARAM, bool& bHandled)
{
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnMouseMove(UINT, WPARAM, LPARAM, bool& bHandled)
{
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnDropFiles(UINT, WPARAM, LPARAM, bool& bHandled)
{
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnWindowPosChanged(UINT, WPARAM, LPARAM, bool& bHandled)
{
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnWindowPosChanging(UINT, WPARAM, LPARAM, bool& bHandled)
{
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::HandleCustomMessage(UINT, WPARAM, LPARAM, bool& bHandled)
{
    bHandled = false;
    return 0;
}

} // namespace SkinUI
