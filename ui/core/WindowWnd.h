#pragma once

#include "ui/core/StdStringPtrMap.h"
#include "ui/core/UIDefs.h"
#include "ui/core/UIString.h"

#include <windows.h>

namespace SkinUI {

// One native window: registers its class (or a superclass of an existing
// one), creates the window with a pointer back to this object and routes
// every message to HandleMessage. The object must outlive its window.
class CWindowWnd {
public:
    CWindowWnd();
    CWindowWnd(const CWindowWnd&) = delete;
    CWindowWnd& operator=(const CWindowWnd&) = delete;

    HWND GetHWND() const;
    operator HWND() const;

    bool RegisterWindowClass();
    bool RegisterSuperclass();

    HWND Create(HWND hwndParent, const wchar_t* pstrName, DWORD dwStyle, DWORD dwExStyle, const RECT rc,
                HMENU hMenu = nullptr);
    HWND Create(HWND hwndParent, const wchar_t* pstrName, DWORD dwStyle, DWORD dwExStyle, int x = CW_USEDEFAULT,
                int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT, HMENU hMenu = nullptr);
    HWND CreateUIWindow(HWND hwndParent, const wchar_t* pstrName, DWORD dwStyle = 0, DWORD dwExStyle = 0);
    HWND Subclass(HWND hWnd);
    void Unsubclass();
    void ShowWindow(bool bShow = true, bool bTakeFocus = true);
    // Runs a message loop until the window closes; returns the code given
    // to Close. The owner is disabled meanwhile.
    UINT ShowModal();
    void Close(UINT nRet = IDOK);
    void CenterWindow();
    void SetIcon(UINT nRes);

    LRESULT SendMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT PostMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);
    void ResizeClient(int cx = -1, int cy = -1);

protected:
    virtual const wchar_t* GetWndClassName() const = 0;
    virtual const wchar_t* GetSuperClassName() const;
    virtual UINT GetClassStyle() const;
    virtual LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
    virtual void OnFinalMessage(HWND hWnd);

    static LRESULT CALLBACK __WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK __ControlProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    static LRESULT RouteMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, bool inProperty);

    HWND m_hWnd;
    WNDPROC m_OldWndProc;
    bool m_bSubclassed;

    // No virtual destructor: an owner deletes the concrete class.
    ~CWindowWnd() = default;
};

class CNotifyPump;
typedef void (CNotifyPump::*UI_PMSG)(TNotifyUI& msg);

// Handler signatures of a message map entry.
enum UISigUI {
    UISig_end = 0,
    UISig_lwl = 1, // LRESULT (WPARAM, LPARAM)
    UISig_vn = 2,  // void (TNotifyUI&)
};

// A signature 1 handler.
typedef LRESULT (CNotifyPump::*UI_PMSG_LWL)(WPARAM wParam, LPARAM lParam);

struct UI_MSGMAP_ENTRY {
    CUIString sMsgType;
    CUIString sCtrlName;
    UINT nSig;
    // The handler, in the field of its signature.
    UI_PMSG pfn;
    UI_PMSG_LWL pfnLwl;
};

struct UI_MSGMAP {
    const UI_MSGMAP* (*pfnGetBaseMap)();
    const UI_MSGMAP_ENTRY* lpEntries;
};

// Routes notifications to member handlers through per-class message maps,
// and to named "virtual windows": other pumps that take the notifications
// of the controls carrying their name.
class CNotifyPump {
public:
    CNotifyPump();
    CNotifyPump(const CNotifyPump&) = delete;
    CNotifyPump& operator=(const CNotifyPump&) = delete;

    bool AddVirtualWnd(CUIString strName, CNotifyPump* pObject);
    bool RemoveVirtualWnd(CUIString strName);
    void NotifyPump(TNotifyUI& msg);
    bool LoopDispatch(TNotifyUI& msg);

protected:
    virtual const UI_MSGMAP* GetMessageMap() const;
    static const UI_MSGMAP* GetThisMessageMap();
    static const UI_MSGMAP messageMap;
    static const UI_MSGMAP_ENTRY _messageEntries[];

    ~CNotifyPump() = default;

private:
    CStdStringPtrMap m_VirtualWndMap;
};

// A class with its own message map declares it with UI_DECLARE_MESSAGE_MAP()
// and defines it with UI_BEGIN_MESSAGE_MAP(class, base), entries, and
// UI_END_MESSAGE_MAP().
#define UI_DECLARE_MESSAGE_MAP()                                  \
protected:                                                        \
    static const ::SkinUI::UI_MSGMAP_ENTRY _messageEntries[];     \
    static const ::SkinUI::UI_MSGMAP messageMap;                  \
    static const ::SkinUI::UI_MSGMAP* GetThisMessageMap();        \
    const ::SkinUI::UI_MSGMAP* GetMessageMap() const override;

#define UI_BEGIN_MESSAGE_MAP(theClass, baseClass)                                                      \
    const ::SkinUI::UI_MSGMAP* theClass::GetThisMessageMap() { return &theClass::messageMap; }         \
    const ::SkinUI::UI_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }         \
    const ::SkinUI::UI_MSGMAP theClass::messageMap = { &baseClass::GetThisMessageMap,                  \
                                                       &theClass::_messageEntries[0] };                \
    const ::SkinUI::UI_MSGMAP_ENTRY theClass::_messageEntries[] = {

#define UI_END_MESSAGE_MAP()                                                                            \
    { ::SkinUI::CUIString(), ::SkinUI::CUIString(), ::SkinUI::UISig_end, nullptr, nullptr }            \
    };

// Any control's notification of a type, to void handler(TNotifyUI&).
#define UI_ON_MSGTYPE(msgtype, memberFxn)                                                              \
    { ::SkinUI::CUIString(msgtype), ::SkinUI::CUIString(), ::SkinUI::UISig_vn,                         \
      static_cast<::SkinUI::UI_PMSG>(&memberFxn), nullptr },

// The notification of one named control, to void handler(TNotifyUI&).
#define UI_ON_MSGTYPE_CTRNAME(msgtype, ctrname, memberFxn)                                             \
    { ::SkinUI::CUIString(msgtype), ::SkinUI::CUIString(ctrname), ::SkinUI::UISig_vn,                  \
      static_cast<::SkinUI::UI_PMSG>(&memberFxn), nullptr },

// A notification of a type, to LRESULT handler(WPARAM, LPARAM).
#define UI_ON_MSGTYPE_LWL(msgtype, memberFxn)                                                          \
    { ::SkinUI::CUIString(msgtype), ::SkinUI::CUIString(), ::SkinUI::UISig_lwl,                        \
      nullptr, static_cast<::SkinUI::UI_PMSG_LWL>(&memberFxn) },

} // namespace SkinUI
