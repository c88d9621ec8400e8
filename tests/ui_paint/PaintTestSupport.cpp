#include "PaintTestSupport.h"

#include <windowsx.h>

#include <algorithm>

using namespace SkinUI;

namespace {

const wchar_t kWindowClass[] = L"CorvanePaintTestWindow";

const wchar_t* EventName(int type)
{
    switch (type) {
    case UIEVENT_KEYDOWN: return L"keydown";
    case UIEVENT_KEYUP: return L"keyup";
    case UIEVENT_CHAR: return L"char";
    case UIEVENT_SYSKEY: return L"syskey";
    case UIEVENT_MOUSEMOVE: return L"move";
    case UIEVENT_MOUSELEAVE: return L"leave";
    case UIEVENT_MOUSEENTER: return L"enter";
    case UIEVENT_MOUSEHOVER: return L"hover";
    case UIEVENT_BUTTONDOWN: return L"down";
    case UIEVENT_BUTTONUP: return L"up";
    case UIEVENT_RBUTTONDOWN: return L"rdown";
    case UIEVENT_DBLCLICK: return L"dblclick";
    case UIEVENT_CONTEXTMENU: return L"menu";
    case UIEVENT_SCROLLWHEEL: return L"wheel";
    case UIEVENT_KILLFOCUS: return L"killfocus";
    case UIEVENT_SETFOCUS: return L"setfocus";
    case UIEVENT_WINDOWSIZE: return L"size";
    case UIEVENT_SETCURSOR: return L"cursor";
    case UIEVENT_TIMER: return L"timer";
    default: return L"?";
    }
}

LRESULT CALLBACK TestWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    bool systemMouse = (message == WM_MOUSELEAVE || message == WM_MOUSEHOVER) && (wParam & kPostedMark) == 0;
    if (systemMouse) return 0;
    auto* pm = reinterpret_cast<CPaintManagerUI*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    LRESULT result = 0;
    if (pm != nullptr && pm->MessageHandler(message, wParam, lParam, result)) return result;
    // Kept open, as a busy window keeps itself; the test destroys it.
    if (message == WM_CLOSE) return 0;
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace

TestBox::TestBox(const wchar_t* name, RECT layout, EventLog* log, const wchar_t* className)
    : m_layout(layout), m_log(log), m_className(className)
{
    SetName(name);
    SetBkColor(0xFF336699);
}

TestBox::~TestBox()
{
    for (TestBox* child : m_children) delete child;
    if (destroyed != nullptr) *destroyed = true;
}

TestBox* TestBox::Add(TestBox* child)
{
    m_children.push_back(child);
    child->SetManager(m_manager, this, false);
    return child;
}

void TestBox::Remove(TestBox* child)
{
    m_children.erase(std::remove(m_children.begin(), m_children.end(), child), m_children.end());
}

const wchar_t* TestBox::GetClass() const
{
    return m_className.c_str();
}

UINT TestBox::GetControlFlags() const
{
    return flags;
}

bool TestBox::Activate()
{
    if (!CControlUI::Activate()) return false;
    if (m_log != nullptr) m_log->push_back(GetName().GetData() + std::wstring(L":activate"));
    return true;
}

void TestBox::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init)
{
    CControlUI::SetManager(manager, parent, init);
    for (TestBox* child : m_children) child->SetManager(manager, this, init);
}

void TestBox::SetPos(RECT rc)
{
    setPosCount++;
    CControlUI::SetPos(rc);
    for (TestBox* child : m_children) child->SetPos(child->m_layout);
}

CControlUI* TestBox::FindControl(FINDCONTROLPROC proc, LPVOID data, UINT flags)
{
    if ((flags & UIFIND_VISIBLE) != 0 && !IsVisible()) return nullptr;
    if ((flags & UIFIND_ENABLED) != 0 && !IsEnabled()) return nullptr;
    if ((flags & UIFIND_HITTEST) != 0 && !::PtInRect(&m_itemRect, *static_cast<POINT*>(data))) return nullptr;
    if ((flags & UIFIND_ME_FIRST) != 0) {
        if (CControlUI* found = CControlUI::FindControl(proc, data, flags)) return found;
    }
    bool topFirst = (flags & UIFIND_TOP_FIRST) != 0;
    for (size_t i = 0; i < m_children.size(); i++) {
        TestBox* child = m_children[topFirst ? m_children.size() - 1 - i : i];
        if (CControlUI* found = child->FindControl(proc, data, flags)) return found;
    }
    if ((flags & UIFIND_ME_FIRST) != 0) return nullptr;
    return CControlUI::FindControl(proc, data, flags);
}

void TestBox::DoEvent(TEventUI& event)
{
    if (m_log != nullptr) {
        std::wstring entry = GetName().GetData() + std::wstring(L":") + EventName(event.type);
        if (event.type == UIEVENT_TIMER || event.type == UIEVENT_SCROLLWHEEL) entry += std::to_wstring(event.wParam);
        if (event.type == UIEVENT_KEYDOWN) entry += std::to_wstring(event.key);
        m_log->push_back(entry);
    }
    if (event.type == UIEVENT_SETFOCUS || event.type == UIEVENT_KILLFOCUS) CControlUI::DoEvent(event);
}

void TestBox::DoPaint(HDC hDC, const RECT& rcPaint)
{
    CControlUI::DoPaint(hDC, rcPaint);
    for (TestBox* child : m_children) child->DoPaint(hDC, rcPaint);
}

void NotifyLog::Notify(TNotifyUI& msg)
{
    std::wstring sender = msg.sender != nullptr ? msg.sender->GetName().GetData() : L"-";
    if (!msg.virtualWnd.IsEmpty()) sender += L"@" + std::wstring(msg.virtualWnd.GetData());
    m_log->push_back(msg.type.GetData() + std::wstring(L":") + sender);
}

TestWindow::TestWindow(int width, int height)
{
    WNDCLASSW wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = TestWndProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.lpszClassName = kWindowClass;
    ::RegisterClassW(&wc);
    hwnd = ::CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, L"paint test", WS_POPUP, 10, 10, width, height, nullptr,
        nullptr, wc.hInstance, nullptr);
    pm.Init(hwnd);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&pm));
    // Shown without activation: Wine then destroys it at once instead of
    // waiting two seconds for the window manager.
    ::ShowWindow(hwnd, SW_SHOWNOACTIVATE);
}

TestWindow::~TestWindow()
{
    ::DestroyWindow(hwnd);
}

void TestWindow::Attach(CControlUI* root)
{
    pm.AttachDialog(root);
    Repaint();
}

void TestWindow::Mouse(UINT message, int x, int y, WPARAM wParam)
{
    LPARAM lParam = MAKELPARAM(x, y);
    if (message == WM_MOUSEWHEEL || message == WM_CONTEXTMENU) {
        POINT pt = { x, y };
        ::ClientToScreen(hwnd, &pt);
        lParam = MAKELPARAM(pt.x, pt.y);
    }
    Post(message, wParam | (message == WM_MOUSEWHEEL ? 0 : kPostedMark), lParam);
}

void TestWindow::Post(UINT message, WPARAM wParam, LPARAM lParam)
{
    ::PostMessageW(hwnd, message, wParam, lParam);
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

void TestWindow::Repaint()
{
    ::InvalidateRect(hwnd, nullptr, FALSE);
    ::UpdateWindow(hwnd);
    Pump();
}

void SetShiftDown(bool down)
{
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    ::SetKeyboardState(keys);
}

EventLog Compact(const EventLog& log)
{
    EventLog out;
    for (const std::wstring& entry : log) {
        if (entry.find(L":hover") != std::wstring::npos || entry.find(L":cursor") != std::wstring::npos) continue;
        bool move = entry.find(L":move") != std::wstring::npos;
        if (move && !out.empty() && out.back() == entry) continue;
        out.push_back(entry);
    }
    return out;
}

std::wstring Join(const EventLog& log)
{
    std::wstring joined;
    for (const std::wstring& entry : log) joined += (joined.empty() ? L"" : L" ") + entry;
    return joined;
}
