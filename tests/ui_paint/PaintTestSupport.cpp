#include "tests/ui_paint/PaintTestSupport.h"

#include <windowsx.h>

#include <algorithm>

using namespace SkinUI;

namespace {

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

}  // namespace

TestBox::TestBox(const wchar_t* name, RECT layout, EventLog* log, const wchar_t* className)
    : m_layout(layout), m_log(log), m_className(className)
{
    SetName(name);
    SetBkColor(0xFF336699);
}

TestBox::~TestBox()
{
    if (destroyed != nullptr)
        *destroyed = true;
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

void TestBox::SetPos(RECT rc)
{
    setPosCount++;
    FixedPanel::SetPos(rc);
}

void TestBox::DoEvent(TEventUI& event)
{
    if (m_log != nullptr) {
        std::wstring entry = GetName().GetData() + std::wstring(L":") + EventName(event.type);
        if (event.type == UIEVENT_TIMER || event.type == UIEVENT_SCROLLWHEEL) entry += std::to_wstring(event.wParam);
        if (event.type == UIEVENT_KEYDOWN) entry += std::to_wstring(event.key);
        m_log->push_back(entry);
    }
    if (event.type == UIEVENT_SETFOCUS || event.type == UIEVENT_KILLFOCUS)
        CControlUI::DoEvent(event);
}

void NotifyLog::Notify(TNotifyUI& msg)
{
    std::wstring sender = msg.sender != nullptr ? msg.sender->GetName().GetData() : L"-";
    if (!msg.virtualWnd.IsEmpty()) sender += L"@" + std::wstring(msg.virtualWnd.GetData());
    m_log->push_back(msg.type.GetData() + std::wstring(L":") + sender);
}

namespace {

HostStyle PaintTestStyle()
{
    HostStyle style;
    style.onlyPostedHover = true;
    style.keepOpen = true;
    style.keepNotes = false;
    return style;
}

}  // namespace

TestWindow::TestWindow(int width, int height) : PaintHost(width, height, PaintTestStyle())
{
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
