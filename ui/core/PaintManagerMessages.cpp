// The paint manager's dispatch of window messages, by family: the window's
// own, the mouse, the keyboard and the child windows' reflected messages.
#include "ui/core/PaintManagerUI.h"

#include "ui/core/ControlUI.h"
#include "ui/core/PaintManagerShared.h"

#include <windowsx.h>

#include <cwchar>

namespace SkinUI {

using namespace paint_manager;

namespace {

// Messages of child windows come back to them reflected by this offset.
const UINT kReflectBase = 0x2000;
// Hover time when no tooltip window tells its initial delay.
const DWORD kDefaultHoverTime = 400;

struct TraceName {
    UINT message;
    const wchar_t* name;
};

#define TRACE_NAME(m) { m, L## #m }
const TraceName kTraceNames[] = {
    TRACE_NAME(WM_SETCURSOR), TRACE_NAME(WM_NCHITTEST), TRACE_NAME(WM_NCPAINT), TRACE_NAME(WM_PAINT),
    TRACE_NAME(WM_ERASEBKGND), TRACE_NAME(WM_NCMOUSEMOVE), TRACE_NAME(WM_MOUSEMOVE), TRACE_NAME(WM_MOUSELEAVE),
    TRACE_NAME(WM_MOUSEHOVER), TRACE_NAME(WM_NOTIFY), TRACE_NAME(WM_COMMAND), TRACE_NAME(WM_MEASUREITEM),
    TRACE_NAME(WM_DRAWITEM), TRACE_NAME(WM_LBUTTONDOWN), TRACE_NAME(WM_LBUTTONUP), TRACE_NAME(WM_LBUTTONDBLCLK),
    TRACE_NAME(WM_RBUTTONDOWN), TRACE_NAME(WM_RBUTTONUP), TRACE_NAME(WM_RBUTTONDBLCLK), TRACE_NAME(WM_SETFOCUS),
    TRACE_NAME(WM_KILLFOCUS), TRACE_NAME(WM_MOVE), TRACE_NAME(WM_SIZE), TRACE_NAME(WM_SIZING),
    TRACE_NAME(WM_MOVING), TRACE_NAME(WM_GETMINMAXINFO), TRACE_NAME(WM_CAPTURECHANGED),
    TRACE_NAME(WM_WINDOWPOSCHANGED), TRACE_NAME(WM_WINDOWPOSCHANGING), TRACE_NAME(WM_NCCALCSIZE),
    TRACE_NAME(WM_NCCREATE), TRACE_NAME(WM_NCDESTROY), TRACE_NAME(WM_TIMER), TRACE_NAME(WM_KEYDOWN),
    TRACE_NAME(WM_KEYUP), TRACE_NAME(WM_CHAR), TRACE_NAME(WM_SYSKEYDOWN), TRACE_NAME(WM_SYSKEYUP),
    TRACE_NAME(WM_SYSCOMMAND), TRACE_NAME(WM_SYSCHAR), TRACE_NAME(WM_VSCROLL), TRACE_NAME(WM_HSCROLL),
    TRACE_NAME(WM_SHOWWINDOW), TRACE_NAME(WM_PARENTNOTIFY), TRACE_NAME(WM_CREATE), TRACE_NAME(WM_NCACTIVATE),
    TRACE_NAME(WM_ACTIVATE), TRACE_NAME(WM_ACTIVATEAPP), TRACE_NAME(WM_CLOSE), TRACE_NAME(WM_DESTROY),
    TRACE_NAME(WM_GETICON), TRACE_NAME(WM_GETTEXT), TRACE_NAME(WM_GETTEXTLENGTH),
};
#undef TRACE_NAME

} // namespace

const wchar_t* UI_TraceMsg(UINT uMsg)
{
    for (const TraceName& entry : kTraceNames) {
        if (entry.message == uMsg) return entry.name;
    }
    static wchar_t buffer[16];
    swprintf(buffer, sizeof(buffer) / sizeof(buffer[0]), L"0x%04X", uMsg);
    return buffer;
}

// ---------------------------------------------------------------------------
// Mouse

void CPaintManagerUI::SetCapture()
{
    ::SetCapture(m_hWndPaint);
    m_bMouseCapture = true;
}

void CPaintManagerUI::ReleaseCapture()
{
    ::ReleaseCapture();
    m_bMouseCapture = false;
}

bool CPaintManagerUI::IsCaptured() const
{
    return m_bMouseCapture;
}

void CPaintManagerUI::ClearMouseEvent()
{
    m_pEventHover = nullptr;
    m_pEventClick = nullptr;
    m_pFocus = nullptr;
}

WORD CPaintManagerUI::CurrentKeyState()
{
    WORD state = 0;
    if (::GetKeyState(VK_LBUTTON) < 0) state |= UIKEY_LBUTTON;
    if (::GetKeyState(VK_RBUTTON) < 0) state |= UIKEY_RBUTTON;
    if (::GetKeyState(VK_SHIFT) < 0) state |= UIKEY_SHIFT;
    if (::GetKeyState(VK_CONTROL) < 0) state |= UIKEY_CONTROL;
    if (::GetKeyState(VK_MENU) < 0) state |= UIKEY_ALT;
    return state;
}

CControlUI* CPaintManagerUI::OwnControlAt(POINT pt) const
{
    CControlUI* control = FindControl(pt);
    return control != nullptr && control->GetManager() == this ? control : nullptr;
}

// ---------------------------------------------------------------------------
// Messages

void CPaintManagerUI::DeactivateTooltip()
{
    if (m_hwndTooltip != nullptr) ::SendMessageW(m_hwndTooltip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&m_ToolTip));
}

void CPaintManagerUI::ShowTooltip(CControlUI* pControl)
{
    CUIString text = pControl->GetToolTip();
    if (text.IsEmpty()) return;
    m_ToolTip = TOOLINFOW();
    m_ToolTip.cbSize = sizeof(TOOLINFOW);
    m_ToolTip.uFlags = TTF_IDISHWND;
    m_ToolTip.hwnd = m_hWndPaint;
    m_ToolTip.uId = reinterpret_cast<UINT_PTR>(m_hWndPaint);
    m_ToolTip.hinst = m_hInstance;
    m_ToolTip.lpszText = const_cast<wchar_t*>(text.GetData());
    m_ToolTip.rect = pControl->GetPos();
    if (m_hwndTooltip == nullptr) {
        m_hwndTooltip = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWndPaint, nullptr, m_hInstance, nullptr);
        if (m_hwndTooltip == nullptr) return;
        if (!::SendMessageW(m_hwndTooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&m_ToolTip))) {
            // Common controls before version 6 refuse the record's newest size.
            m_ToolTip.cbSize = TTTOOLINFOW_V2_SIZE;
            ::SendMessageW(m_hwndTooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&m_ToolTip));
        }
    }
    ::SendMessageW(m_hwndTooltip, TTM_SETMAXTIPWIDTH, 0, pControl->GetToolTipWidth());
    ::SendMessageW(m_hwndTooltip, TTM_SETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&m_ToolTip));
    ::SendMessageW(m_hwndTooltip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&m_ToolTip));
    // The text belongs to this call; the tooltip keeps its own copy.
    m_ToolTip.lpszText = nullptr;
}

bool CPaintManagerUI::OnMouseHover(LPARAM lParam)
{
    m_bMouseTracking = false;
    POINT pt = PointOf(lParam);
    CControlUI* hover = FindControl(pt);
    if (hover == nullptr) return false;
    if (m_pEventHover != nullptr) {
        TEventUI event = MakeEvent(UIEVENT_MOUSEHOVER, m_pEventHover);
        event.mousePoint = pt;
        m_pEventHover->Event(event);
    }
    ShowTooltip(hover);
    return true;
}

void CPaintManagerUI::OnMouseMove(LPARAM lParam)
{
    if (!m_bMouseTracking) {
        TRACKMOUSEEVENT tme = { sizeof(tme), TME_HOVER | TME_LEAVE, m_hWndPaint, kDefaultHoverTime };
        if (m_hwndTooltip != nullptr) {
            tme.dwHoverTime = static_cast<DWORD>(::SendMessageW(m_hwndTooltip, TTM_GETDELAYTIME, TTDT_INITIAL, 0));
        }
        ::TrackMouseEvent(&tme);
        m_bMouseTracking = true;
    }
    POINT pt = PointOf(lParam);
    m_ptLastMousePos = pt;
    CControlUI* newHover = FindControl(pt);
    if (newHover != nullptr && newHover->GetManager() != this) return;
    if (newHover != m_pEventHover) {
        if (m_pEventHover != nullptr) {
            TEventUI event = MakeEvent(UIEVENT_MOUSELEAVE, m_pEventHover);
            event.mousePoint = pt;
            m_pEventHover->Event(event);
            DeactivateTooltip();
        }
        m_pEventHover = nullptr;
        if (newHover != nullptr) {
            TEventUI event = MakeEvent(UIEVENT_MOUSEENTER, newHover);
            event.mousePoint = pt;
            newHover->Event(event);
            m_pEventHover = newHover;
        }
    }
    CControlUI* target = m_pEventClick != nullptr ? m_pEventClick : newHover;
    if (target != nullptr) {
        TEventUI event = MakeEvent(UIEVENT_MOUSEMOVE, target);
        event.mousePoint = pt;
        event.keyState = CurrentKeyState();
        target->Event(event);
    }
}

void CPaintManagerUI::OnButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    ::SetFocus(m_hWndPaint);
    POINT pt = PointOf(lParam);
    m_ptLastMousePos = pt;
    CControlUI* control = OwnControlAt(pt);
    if (control == nullptr) return;
    m_pEventClick = control;
    int type = UIEVENT_BUTTONDOWN;
    if (uMsg == WM_LBUTTONDBLCLK) {
        type = UIEVENT_DBLCLICK;
    } else {
        if (uMsg == WM_RBUTTONDOWN) type = UIEVENT_RBUTTONDOWN;
        control->SetFocus();
    }
    SetCapture();
    if (m_pEventClick != control) return;
    TEventUI event = MakeEvent(type, control);
    event.mousePoint = pt;
    event.keyState = LOWORD(wParam);
    if (type != UIEVENT_DBLCLICK) {
        event.wParam = wParam;
        event.lParam = lParam;
    }
    control->Event(event);
}

bool CPaintManagerUI::OnSetCursor(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(lParam) != HTCLIENT) return false;
    if (m_bMouseCapture) return true;
    POINT pt = {};
    ::GetCursorPos(&pt);
    ::ScreenToClient(m_hWndPaint, &pt);
    CControlUI* control = FindControl(pt);
    if (control == nullptr || (control->GetControlFlags() & UIFLAG_SETCURSOR) == 0) return false;
    TEventUI event = MakeEvent(UIEVENT_SETCURSOR, control);
    event.mousePoint = pt;
    event.keyState = CurrentKeyState();
    event.wParam = wParam;
    event.lParam = lParam;
    control->Event(event);
    return true;
}

bool CPaintManagerUI::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes)
{
    if (m_hWndPaint == nullptr) return false;
    DeliverAsyncNotifications();
    for (int i = 0; i < m_aMessageFilters.GetSize(); i++) {
        bool handled = false;
        LRESULT result =
            static_cast<IMessageFilterUI*>(m_aMessageFilters[i])->MessageHandler(uMsg, wParam, lParam, handled);
        if (handled) {
            lRes = result;
            return true;
        }
    }

    // Each family answers whether the message was its own; handled tells
    // that the window procedure must not see it.
    bool handled = false;
    if (!OnWindowMessage(uMsg, wParam, lParam, lRes, handled) && !OnMouseMessage(uMsg, wParam, lParam, handled)
        && !OnKeyMessage(uMsg, wParam)) {
        OnChildMessage(uMsg, wParam, lParam, lRes, handled);
    }
    if (handled) return true;
    DeliverAsyncNotifications();
    return false;
}

void CPaintManagerUI::OnClose()
{
    // The controls still hold hover and press state; end both so nothing
    // stays pressed if the window is kept after all.
    if (m_pEventHover != nullptr) {
        TEventUI event = MakeEvent(UIEVENT_MOUSELEAVE, m_pEventHover);
        event.mousePoint = m_ptLastMousePos;
        CControlUI* hover = m_pEventHover;
        m_pEventHover = nullptr;
        hover->Event(event);
    }
    if (m_pEventClick != nullptr) {
        TEventUI event = MakeEvent(UIEVENT_BUTTONUP, m_pEventClick);
        event.mousePoint = m_ptLastMousePos;
        CControlUI* click = m_pEventClick;
        m_pEventClick = nullptr;
        if (m_bMouseCapture) ReleaseCapture();
        click->Event(event);
    }
    SetFocus(nullptr);
    HWND owner = ::GetWindow(m_hWndPaint, GW_OWNER);
    if (owner != nullptr) ::SetFocus(owner);
}

bool CPaintManagerUI::OnWindowMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes, bool& handled)
{
    switch (uMsg) {
    case kMsgDelayedCleanup:
        DeleteDelayedCleanup();
        return true;
    case WM_CLOSE:
        OnClose();
        return true;
    case WM_ERASEBKGND:
        lRes = 1;
        handled = true;
        return true;
    case WM_PAINT:
        OnPaint();
        handled = true;
        return true;
    case WM_PRINTCLIENT:
        PrintClient(reinterpret_cast<HDC>(wParam), lParam);
        return true;
    case WM_GETMINMAXINFO: {
        MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lParam);
        if (m_szMinWindow.cx > 0) info->ptMinTrackSize.x = m_szMinWindow.cx;
        if (m_szMinWindow.cy > 0) info->ptMinTrackSize.y = m_szMinWindow.cy;
        if (m_szMaxWindow.cx > 0) info->ptMaxTrackSize.x = m_szMaxWindow.cx;
        if (m_szMaxWindow.cy > 0) info->ptMaxTrackSize.y = m_szMaxWindow.cy;
        return true;
    }
    case WM_SIZE:
        if (m_pFocus != nullptr) {
            TEventUI event = MakeEvent(UIEVENT_WINDOWSIZE, m_pFocus);
            m_pFocus->Event(event);
        }
        if (m_pRoot != nullptr) m_pRoot->NeedUpdate();
        handled = true;
        return true;
    case WM_TIMER:
        OnTimer(wParam, lParam);
        return true;
    default:
        return false;
    }
}

CControlUI* CPaintManagerUI::EndClick(POINT pt)
{
    m_ptLastMousePos = pt;
    CControlUI* click = m_pEventClick;
    if (click == nullptr) return nullptr;
    m_pEventClick = nullptr;
    ReleaseCapture();
    return click;
}

void CPaintManagerUI::OnButtonUp(WPARAM wParam, LPARAM lParam)
{
    const POINT pt = PointOf(lParam);
    CControlUI* click = EndClick(pt);
    if (click == nullptr) return;
    TEventUI event = MakeEvent(UIEVENT_BUTTONUP, click);
    event.mousePoint = pt;
    event.keyState = LOWORD(wParam);
    event.wParam = wParam;
    event.lParam = lParam;
    click->Event(event);
}

void CPaintManagerUI::OnContextMenu(WPARAM wParam, LPARAM lParam)
{
    POINT pt = PointOf(lParam);
    ::ScreenToClient(m_hWndPaint, &pt);
    CControlUI* click = EndClick(pt);
    if (click == nullptr) return;
    TEventUI event = MakeEvent(UIEVENT_CONTEXTMENU, click);
    event.mousePoint = pt;
    event.keyState = LOWORD(wParam);
    event.lParam = reinterpret_cast<LPARAM>(click);
    click->Event(event);
}

void CPaintManagerUI::OnMouseWheel(WPARAM wParam, LPARAM lParam)
{
    POINT pt = PointOf(lParam);
    ::ScreenToClient(m_hWndPaint, &pt);
    m_ptLastMousePos = pt;
    CControlUI* control = OwnControlAt(pt);
    if (control == nullptr) return;
    TEventUI event = MakeEvent(UIEVENT_SCROLLWHEEL, control);
    event.mousePoint = pt;
    event.wParam = GET_WHEEL_DELTA_WPARAM(wParam) < 0 ? SB_LINEDOWN : SB_LINEUP;
    event.lParam = lParam;
    event.keyState = CurrentKeyState();
    control->Event(event);
    ::SendMessageW(m_hWndPaint, WM_MOUSEMOVE, 0, MAKELPARAM(pt.x, pt.y));
}

bool CPaintManagerUI::OnMouseMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& handled)
{
    switch (uMsg) {
    case WM_MOUSEHOVER:
        handled = OnMouseHover(lParam);
        return true;
    case WM_MOUSELEAVE:
        DeactivateTooltip();
        if (m_bMouseTracking) ::SendMessageW(m_hWndPaint, WM_MOUSEMOVE, 0, static_cast<LPARAM>(-1));
        m_bMouseTracking = false;
        return true;
    case WM_MOUSEMOVE:
        OnMouseMove(lParam);
        return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        OnButtonDown(uMsg, wParam, lParam);
        return true;
    case WM_RBUTTONDOWN:
        if (!m_bMouseCapture) OnButtonDown(uMsg, wParam, lParam);
        return true;
    case WM_LBUTTONUP:
        OnButtonUp(wParam, lParam);
        return true;
    case WM_CONTEXTMENU:
        OnContextMenu(wParam, lParam);
        return true;
    case WM_MOUSEWHEEL:
        OnMouseWheel(wParam, lParam);
        return true;
    case WM_SETCURSOR:
        handled = OnSetCursor(wParam, lParam);
        return true;
    default:
        return false;
    }
}

bool CPaintManagerUI::OnKeyMessage(UINT uMsg, WPARAM wParam)
{
    switch (uMsg) {
    case WM_KEYDOWN:
    case WM_CHAR: {
        if (m_pFocus == nullptr) return true;
        TEventUI event = MakeEvent(uMsg == WM_KEYDOWN ? UIEVENT_KEYDOWN : UIEVENT_CHAR, m_pFocus);
        event.key = static_cast<WCHAR>(wParam);
        event.keyState = CurrentKeyState();
        if (uMsg == WM_KEYDOWN) m_pEventKey = m_pFocus;
        m_pFocus->Event(event);
        return true;
    }
    case WM_KEYUP: {
        if (m_pEventKey == nullptr) return true;
        CControlUI* key = m_pEventKey;
        m_pEventKey = nullptr;
        TEventUI event = MakeEvent(UIEVENT_KEYUP, key);
        event.key = static_cast<WCHAR>(wParam);
        event.keyState = CurrentKeyState();
        key->Event(event);
        return true;
    }
    case WM_KILLFOCUS:
        if (m_pFocus != nullptr) m_pFocus->ToLoseFocus();
        return true;
    default:
        return false;
    }
}

void CPaintManagerUI::OnChildMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes, bool& handled)
{
    switch (uMsg) {
    case WM_NOTIFY: {
        handled = true;
        if (lParam == 0) return;
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        lRes = ::SendMessageW(header->hwndFrom, kReflectBase + uMsg, wParam, lParam);
        return;
    }
    case WM_COMMAND:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        if (lParam == 0) return;
        lRes = ::SendMessageW(reinterpret_cast<HWND>(lParam), kReflectBase + uMsg, wParam, lParam);
        handled = true;
        return;
    default:
        return;
    }
}

bool CPaintManagerUI::PreMessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes)
{
    for (int i = 0; i < m_aPreMessageFilters.GetSize(); i++) {
        bool handled = false;
        LRESULT result =
            static_cast<IMessageFilterUI*>(m_aPreMessageFilters[i])->MessageHandler(uMsg, wParam, lParam, handled);
        if (handled) {
            lRes = result;
            return true;
        }
    }
    switch (uMsg) {
    case WM_KEYDOWN:
        if (wParam == VK_TAB) {
            if (m_pFocus != nullptr && m_pFocus->IsVisible() && m_pFocus->IsEnabled()
                && ClassContains(m_pFocus, L"RichEditUI") && (m_pFocus->GetControlFlags() & UIFLAG_WANTTAB) != 0) {
                return false;
            }
            SetNextTabControl(::GetKeyState(VK_SHIFT) >= 0);
            return true;
        }
        if (wParam == VK_RETURN) {
            CControlUI* ok = FindControl(L"ok");
            if (ok == nullptr || ok == m_pFocus) return false;
            if (m_pFocus != nullptr && (m_pFocus->GetControlFlags() & UIFLAG_WANTRETURN) != 0) return false;
            ok->Activate();
            return true;
        }
        if (wParam == VK_ESCAPE) {
            CControlUI* cancel = FindControl(L"cancel");
            if (cancel == nullptr) return false;
            cancel->Activate();
            return true;
        }
        break;
    case WM_SYSCHAR:
        return ActivateShortcut(wParam);
    case WM_SYSKEYDOWN:
        if (m_pFocus != nullptr) {
            TEventUI event = MakeEvent(UIEVENT_SYSKEY, m_pFocus);
            event.key = static_cast<WCHAR>(wParam);
            event.mousePoint = m_ptLastMousePos;
            event.keyState = CurrentKeyState();
            m_pFocus->Event(event);
        }
        break;
    default:
        break;
    }
    return false;
}

bool CPaintManagerUI::TranslateAccelerator(LPMSG pMsg)
{
    for (int i = 0; i < m_aTranslateAccelerator.GetSize(); i++) {
        if (static_cast<ITranslateAccelerator*>(m_aTranslateAccelerator[i])->TranslateAccelerator(pMsg) == 0) {
            return true;
        }
    }
    return false;
}

bool CPaintManagerUI::TranslateMessage(const LPMSG pMsg)
{
    if (pMsg->hwnd == nullptr) return false;
    bool child = (::GetWindowLongW(pMsg->hwnd, GWL_STYLE) & WS_CHILD) != 0;
    for (int i = 0; i < m_aPreMessages.GetSize(); i++) {
        CPaintManagerUI* manager = static_cast<CPaintManagerUI*>(m_aPreMessages[i]);
        HWND paintWnd = manager->GetPaintWindow();
        bool answers = pMsg->hwnd == paintWnd;
        for (HWND ancestor = child ? ::GetParent(pMsg->hwnd) : nullptr; ancestor != nullptr && !answers;
             ancestor = ::GetParent(ancestor)) {
            answers = ancestor == paintWnd;
        }
        if (!answers) continue;
        if (manager->TranslateAccelerator(pMsg)) return true;
        LRESULT lRes = 0;
        return manager->PreMessageHandler(pMsg->message, pMsg->wParam, pMsg->lParam, lRes);
    }
    return false;
}

void CPaintManagerUI::MessageLoop()
{
    MSG msg = {};
    // GetMessage answers -1 on failure; that ends the loop as well.
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!CPaintManagerUI::TranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

} // namespace SkinUI
