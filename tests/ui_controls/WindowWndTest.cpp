// The window wrapper's own classes, superclasses and subclassing, and the
// notification pump's message maps and virtual windows.
#include "tests/ui_controls/ControlsTestSupport.h"

#include "ui/core/ControlUI.h"
#include "ui/core/WindowWnd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace SkinUI;

namespace {

class Recorder : public CWindowWnd {
public:
    Recorder(const wchar_t* className, const wchar_t* superName) : m_class(className), m_super(superName) {}
    ~Recorder()
    {
        if (m_hWnd != nullptr) ::DestroyWindow(m_hWnd);
    }
    std::vector<UINT> messages;
    HWND finalWindow = nullptr;

protected:
    const wchar_t* GetWndClassName() const override { return m_class; }
    const wchar_t* GetSuperClassName() const override { return m_super; }
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override
    {
        messages.push_back(uMsg);
        return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
    }
    void OnFinalMessage(HWND hWnd) override { finalWindow = hWnd; }

private:
    const wchar_t* m_class;
    const wchar_t* m_super;
};

bool Saw(const Recorder& r, UINT message)
{
    return std::find(r.messages.begin(), r.messages.end(), message) != r.messages.end();
}

TEST(WindowWnd, OwnClassSuperclassAndSubclass)
{
    CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
    // An own class, made twice (the second registration finds the class).
    for (int i = 0; i < 2; i++) {
        Recorder own(L"CorvaneOwnClass", nullptr);
        const HWND hwnd = own.CreateUIWindow(nullptr, L"own", WS_POPUP);
        ASSERT_NE(hwnd, nullptr);
        EXPECT_EQ(own.GetHWND(), hwnd);
        EXPECT_TRUE(Saw(own, WM_NCCREATE));
        RECT rc = {};
        ::GetWindowRect(hwnd, &rc);
        EXPECT_TRUE(::IsRectEmpty(&rc));
        own.SendMessage(WM_APP + 5);
        EXPECT_TRUE(Saw(own, WM_APP + 5));
        ::DestroyWindow(hwnd);
        EXPECT_EQ(own.GetHWND(), nullptr);
        EXPECT_EQ(own.finalWindow, hwnd);
    }

    // A superclass of the system's edit control keeps the edit's behaviour.
    Recorder edit(L"CorvaneSuperEdit", L"EDIT");
    const HWND editWnd = edit.Create(nullptr, L"typed", WS_POPUP, 0, 10, 10, 100, 20);
    ASSERT_NE(editWnd, nullptr);
    wchar_t text[16] = {};
    ::GetWindowTextW(editWnd, text, 16);
    EXPECT_STREQ(text, L"typed");
    EXPECT_TRUE(Saw(edit, WM_GETTEXT));
    Recorder missing(L"CorvaneSuperMissing", L"NoSuchClassAnywhere");
    EXPECT_EQ(missing.Create(nullptr, L"", WS_POPUP, 0), nullptr);

    // Subclassing a window made elsewhere, and giving it back.
    HostWindow host;
    Recorder sub(L"unused", nullptr);
    ASSERT_EQ(sub.Subclass(host.hwnd), host.hwnd);
    ::SendMessageW(host.hwnd, WM_APP + 7, 0, 0);
    EXPECT_TRUE(Saw(sub, WM_APP + 7));
    sub.Unsubclass();
    sub.messages.clear();
    ::SendMessageW(host.hwnd, WM_APP + 7, 0, 0);
    EXPECT_TRUE(sub.messages.empty());
    EXPECT_EQ(sub.Subclass(nullptr), nullptr);
}

// Pumps with message maps: a base class and a derived one.
class BasePump : public CNotifyPump {
public:
    std::vector<std::string> calls;
    void OnAnyClick(TNotifyUI&) { calls.push_back("base click"); }
    void OnSelect(TNotifyUI&) { calls.push_back("base select"); }
    UI_DECLARE_MESSAGE_MAP()
};

UI_BEGIN_MESSAGE_MAP(BasePump, CNotifyPump)
UI_ON_MSGTYPE(L"click", BasePump::OnAnyClick)
UI_ON_MSGTYPE(L"itemselect", BasePump::OnSelect)
UI_END_MESSAGE_MAP()

class DerivedPump : public BasePump {
public:
    void OnClick(TNotifyUI&) { calls.push_back("click"); }
    void OnOk(TNotifyUI&) { calls.push_back("ok"); }
    LRESULT OnValue(WPARAM wParam, LPARAM lParam)
    {
        calls.push_back("value " + std::to_string(wParam) + " " + std::to_string(lParam));
        return 0;
    }
    UI_DECLARE_MESSAGE_MAP()
};

UI_BEGIN_MESSAGE_MAP(DerivedPump, BasePump)
UI_ON_MSGTYPE(L"click", DerivedPump::OnClick)
UI_ON_MSGTYPE_CTRNAME(L"click", L"ok", DerivedPump::OnOk)
UI_ON_MSGTYPE_LWL(L"valuechanged", DerivedPump::OnValue)
UI_END_MESSAGE_MAP()

TEST(NotifyPump, MessageMapsAndVirtualWindows)
{
    CControlUI ok;
    ok.SetName(L"ok");
    CControlUI other;
    other.SetName(L"other");
    auto note = [](const wchar_t* type, CControlUI* sender, const wchar_t* virtualWnd = L"") {
        TNotifyUI msg;
        msg.type = type;
        msg.virtualWnd = virtualWnd;
        msg.sender = sender;
        msg.timestamp = 0;
        msg.mousePoint = POINT{ 0, 0 };
        msg.wParam = 3;
        msg.lParam = 4;
        return msg;
    };

    DerivedPump main;
    DerivedPump sub;
    EXPECT_TRUE(main.AddVirtualWnd(L"Sub", &sub));
    EXPECT_FALSE(main.AddVirtualWnd(L"Sub", &sub));
    const struct {
        const wchar_t* type;
        CControlUI* sender;
        const wchar_t* virtualWnd;
        bool handled;
        std::vector<std::string> mainCalls;
        std::vector<std::string> subCalls;
    } cases[] = {
        { L"click", &ok, L"", true, { "ok" }, {} },
        { L"click", &other, L"", true, { "click" }, {} },
        { L"itemselect", &other, L"", true, { "base select" }, {} },
        { L"valuechanged", &other, L"", true, { "value 3 4" }, {} },
        { L"unknown", &other, L"", false, {}, {} },
        { L"click", &ok, L"SUB", true, {}, { "ok" } },
        { L"click", &ok, L"elsewhere", true, { "ok" }, {} },
    };
    for (const auto& c : cases) {
        main.calls.clear();
        sub.calls.clear();
        TNotifyUI msg = note(c.type, c.sender, c.virtualWnd);
        if (msg.virtualWnd.IsEmpty()) {
            EXPECT_EQ(main.LoopDispatch(msg), c.handled);
        }
        main.calls.clear();
        main.NotifyPump(msg);
        EXPECT_EQ(main.calls, c.mainCalls);
        EXPECT_EQ(sub.calls, c.subCalls);
    }
    EXPECT_TRUE(main.RemoveVirtualWnd(L"Sub"));
    EXPECT_FALSE(main.RemoveVirtualWnd(L"Sub"));
}

} // namespace
