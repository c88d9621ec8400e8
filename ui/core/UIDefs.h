#pragma once

// Records and interfaces shared by the paint manager, the render engine and
// every control.

#include "base/ScopedGdi.h"
#include "ui/core/UIString.h"

#include <windows.h>

namespace SkinUI {

class CControlUI;
class CPaintManagerUI;

// Event type codes of TEventUI. The double-underscore values only bound the
// key range (between __KEYBEGIN and __KEYEND) and the mouse range (between
// __MOUSEBEGIN and __MOUSEEND), so controls can classify an event.
enum EventTypeUI {
    UIEVENT__FIRST = 1,
    UIEVENT__KEYBEGIN = 2,
    UIEVENT_KEYDOWN = 3,
    UIEVENT_KEYUP = 4,
    UIEVENT_CHAR = 5,
    UIEVENT_SYSKEY = 6,
    UIEVENT__KEYEND = 7,
    UIEVENT__MOUSEBEGIN = 8,
    UIEVENT_MOUSEMOVE = 9,
    UIEVENT_MOUSELEAVE = 10,
    UIEVENT_MOUSEENTER = 11,
    UIEVENT_MOUSEHOVER = 12,
    UIEVENT_BUTTONDOWN = 13,
    UIEVENT_BUTTONUP = 14,
    UIEVENT_RBUTTONDOWN = 15,
    UIEVENT_DBLCLICK = 16,
    UIEVENT_CONTEXTMENU = 17,
    UIEVENT_SCROLLWHEEL = 18,
    UIEVENT__MOUSEEND = 19,
    UIEVENT_KILLFOCUS = 20,
    UIEVENT_SETFOCUS = 21,
    UIEVENT_WINDOWSIZE = 22,
    UIEVENT_SETCURSOR = 23,
    UIEVENT_TIMER = 24,
};

// Key state bits of TEventUI, the Win32 mouse-key bits.
enum KeyStateUI {
    UIKEY_LBUTTON = 0x0001,
    UIKEY_RBUTTON = 0x0002,
    UIKEY_SHIFT = 0x0004,
    UIKEY_CONTROL = 0x0008,
    UIKEY_ALT = 0x0020,
};

// Flags a control reports from GetControlFlags.
enum ControlFlagUI : UINT {
    UIFLAG_TABSTOP = 0x00000001,
    UIFLAG_SETCURSOR = 0x00000002,
    UIFLAG_WANTRETURN = 0x00000004,
    // A rich edit that keeps Tab for itself instead of moving the focus.
    UIFLAG_WANTTAB = 0x00000008,
};

// Search flags of CControlUI::FindControl.
enum FindFlagUI : UINT {
    UIFIND_ALL = 0x00000000,
    UIFIND_VISIBLE = 0x00000001,
    UIFIND_ENABLED = 0x00000002,
    UIFIND_HITTEST = 0x00000004,
    UIFIND_TOP_FIRST = 0x00000008,
    UIFIND_ME_FIRST = 0x80000000,
};

// Visual state bits of buttons and options.
enum ControlStateUI : UINT {
    UISTATE_FOCUSED = 0x00000001,
    UISTATE_SELECTED = 0x00000002,
    UISTATE_DISABLED = 0x00000004,
    UISTATE_HOT = 0x00000008,
    UISTATE_PUSHED = 0x00000010,
    UISTATE_CAPTURED = 0x00000040,
};

// Called by FindControl for each control that passes the flags; a non-null
// result ends the search.
typedef CControlUI* (*FINDCONTROLPROC)(CControlUI* control, LPVOID data);

// Input delivered to a control's Event operation.
struct TEventUI {
    int type;
    CControlUI* sender;
    DWORD timestamp;
    POINT mousePoint;
    WCHAR key;
    WORD keyState;
    WPARAM wParam;
    LPARAM lParam;
};

// A control's report to the window ("click", "windowinit", "setfocus", ...).
struct TNotifyUI {
    CUIString type;
    CUIString virtualWnd;
    CControlUI* sender;
    DWORD timestamp;
    POINT mousePoint;
    WPARAM wParam;
    LPARAM lParam;
};

// One created font of a paint manager's registry; the owner deletes the font.
struct TFontInfo {
    ScopedFont font;
    CUIString faceName;
    int size;
    bool bold;
    bool underline;
    bool italic;
    TEXTMETRICW metrics;
};

// One loaded image: a top-down 32-bit section with premultiplied BGRA pixels.
struct TImageInfo {
    ScopedBitmap bitmap;
    int width;
    int height;
    bool hasAlpha;
    CUIString resourceType;
    DWORD maskColor;
};

// One control timer. Killed records stay so that the same control and id
// get their old native id back when armed again.
struct TTimerInfo {
    CControlUI* sender;
    UINT localId;
    HWND window;
    UINT nativeId;
    bool killed;
};

class INotifyUI {
public:
    virtual void Notify(TNotifyUI& msg) = 0;

protected:
    ~INotifyUI() = default;
};

class IMessageFilterUI {
public:
    virtual LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) = 0;

protected:
    ~IMessageFilterUI() = default;
};

class ITranslateAccelerator {
public:
    // 0 when the message was translated.
    virtual LRESULT TranslateAccelerator(MSG* pMsg) = 0;

protected:
    ~ITranslateAccelerator() = default;
};

} // namespace SkinUI
