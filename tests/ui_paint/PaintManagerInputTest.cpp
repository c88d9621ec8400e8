// Mouse and keyboard input through a real window: posted messages, the
// paint manager's pre-translation and its message loop.
#include "PaintTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace SkinUI;

namespace {

struct MouseStep {
    UINT message;
    int x;
    int y;
    WPARAM wParam;
};

struct MouseCase {
    const char* name;
    std::vector<MouseStep> steps;
    const wchar_t* expected;
};

const WPARAM kWheelDown = MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA));
const WPARAM kWheelUp = MAKEWPARAM(0, WHEEL_DELTA);

// A at 10..60, B at 110..160, both 10..60 high; the root fills the window.
struct TwoBoxes {
    EventLog log;
    TestBox* root = new TestBox(L"root", RECT{ 0, 0, 200, 100 }, nullptr);
    TestBox* a = root->Add(new TestBox(L"A", RECT{ 10, 10, 60, 60 }, &log));
    TestBox* b = root->Add(new TestBox(L"B", RECT{ 110, 10, 160, 60 }, &log));
};

TEST(PaintManagerInput, MouseSequences)
{
    const std::vector<MouseCase> cases = {
        { "click whose mouse leaves and comes back",
            { { WM_MOUSEMOVE, 20, 20, 0 }, { WM_LBUTTONDOWN, 20, 20, MK_LBUTTON },
                { WM_MOUSEMOVE, 120, 20, MK_LBUTTON }, { WM_MOUSEMOVE, 30, 30, MK_LBUTTON },
                { WM_LBUTTONUP, 30, 30, 0 } },
            L"A:enter A:move A:setfocus A:down A:leave B:enter A:move B:leave A:enter A:move A:up" },
        { "release outside still goes to the pressed control",
            { { WM_LBUTTONDOWN, 20, 20, MK_LBUTTON }, { WM_LBUTTONUP, 120, 20, 0 } },
            L"A:setfocus A:down A:up" },
        { "right press during capture is ignored",
            { { WM_LBUTTONDOWN, 20, 20, MK_LBUTTON }, { WM_RBUTTONDOWN, 120, 20, MK_LBUTTON | MK_RBUTTON },
                { WM_LBUTTONUP, 20, 20, 0 } },
            L"A:setfocus A:down A:up" },
        { "right press without capture, then the context menu",
            { { WM_RBUTTONDOWN, 120, 20, MK_RBUTTON }, { WM_CONTEXTMENU, 120, 20, 0 } },
            L"B:setfocus B:rdown B:menu" },
        { "leave before enter, inside only moves",
            { { WM_MOUSEMOVE, 20, 20, 0 }, { WM_MOUSEMOVE, 120, 20, 0 }, { WM_MOUSEMOVE, 130, 30, 0 },
                { WM_MOUSEMOVE, 140, 40, 0 } },
            L"A:enter A:move A:leave B:enter B:move" },
        { "window left", { { WM_MOUSEMOVE, 20, 20, 0 }, { WM_MOUSELEAVE, 0, 0, 0 } }, L"A:enter A:move A:leave" },
        { "wheel down, then hover follows the point",
            { { WM_MOUSEMOVE, 20, 20, 0 }, { WM_MOUSEWHEEL, 120, 20, kWheelDown } },
            L"A:enter A:move B:wheel1 A:leave B:enter B:move" },
        { "wheel up", { { WM_MOUSEWHEEL, 20, 20, kWheelUp } }, L"A:wheel0 A:enter A:move" },
        { "double click keeps the focus where it is",
            { { WM_LBUTTONDBLCLK, 120, 20, MK_LBUTTON }, { WM_LBUTTONUP, 120, 20, 0 } }, L"B:dblclick B:up" },
        { "closing ends hover, press and focus",
            { { WM_MOUSEMOVE, 20, 20, 0 }, { WM_LBUTTONDOWN, 20, 20, MK_LBUTTON }, { WM_CLOSE, 0, 0, 0 } },
            L"A:enter A:move A:setfocus A:down A:leave A:up A:killfocus" },
        { "nothing under the press", { { WM_LBUTTONDOWN, 80, 80, MK_LBUTTON }, { WM_LBUTTONUP, 80, 80, 0 } },
            L"" },
    };
    for (const MouseCase& c : cases) {
        SCOPED_TRACE(c.name);
        TestWindow window;
        TwoBoxes tree;
        window.Attach(tree.root);
        tree.log.clear();
        for (const MouseStep& step : c.steps) window.Mouse(step.message, step.x, step.y, step.wParam);
        EXPECT_EQ(Join(Compact(tree.log)), c.expected);
        EXPECT_FALSE(window.pm.IsCaptured() && c.steps.back().message == WM_LBUTTONUP);
    }
}

struct KeyCase {
    const char* name;
    const wchar_t* focus;
    bool okAndCancel;
    UINT focusFlags;
    UINT message;
    WPARAM key;
    bool shift;
    bool toChildWindow;
    const wchar_t* expectedFocus;
    const wchar_t* expectedLog;
};

TEST(PaintManagerInput, KeysThroughTheMessageLoop)
{
    const KeyCase cases[] = {
        { "Tab from the last stop wraps", L"C", false, 0, WM_KEYDOWN, VK_TAB, false, false, L"A", L"C:killfocus A:setfocus" },
        { "Tab moves on", L"A", false, 0, WM_KEYDOWN, VK_TAB, false, false, L"B", L"A:killfocus B:setfocus" },
        { "Shift+Tab from the first wraps", L"A", false, 0, WM_KEYDOWN, VK_TAB, true, false, L"C", L"A:killfocus C:setfocus" },
        { "Shift+Tab moves back", L"C", false, 0, WM_KEYDOWN, VK_TAB, true, false, L"B", L"C:killfocus B:setfocus" },
        { "Tab in a child window", L"B", false, 0, WM_KEYDOWN, VK_TAB, false, true, L"C", L"B:killfocus C:setfocus" },
        { "Return activates ok", L"A", true, 0, WM_KEYDOWN, VK_RETURN, false, false, L"A", L"ok:activate" },
        { "Return stays with a control that wants it", L"A", true, UIFLAG_WANTRETURN, WM_KEYDOWN, VK_RETURN, false, false,
            L"A", L"A:keydown13 A:char" },
        { "Escape activates cancel", L"A", true, 0, WM_KEYDOWN, VK_ESCAPE, false, false, L"A", L"cancel:activate" },
        { "Return without ok reaches the focus", L"A", false, 0, WM_KEYDOWN, VK_RETURN, false, false, L"A",
            L"A:keydown13 A:char" },
        { "Escape without cancel reaches the focus", L"A", false, 0, WM_KEYDOWN, VK_ESCAPE, false, false, L"A",
            L"A:keydown27 A:char" },
        { "Alt shortcut of a control", L"A", false, 0, WM_SYSCHAR, 'b', false, false, L"B",
            L"A:killfocus B:setfocus B:activate" },
        { "Alt shortcut of a label picks the control after it", L"A", false, 0, WM_SYSCHAR, 'X', false, false, L"C",
            L"A:killfocus C:setfocus C:activate" },
        { "system key reaches the focus", L"A", false, 0, WM_SYSKEYDOWN, 'Q', false, false, L"A", L"A:syskey" },
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.name);
        TestWindow window;
        EventLog log;
        TestBox* root = new TestBox(L"root", RECT{ 0, 0, 200, 100 }, nullptr);
        for (const wchar_t* name : { L"A", L"B", L"C" }) {
            int i = name[0] - L'A';
            TestBox* box = root->Add(new TestBox(name, RECT{ 10 + 50 * i, 10, 50 + 50 * i, 40 }, &log));
            box->flags = UIFLAG_TABSTOP;
            if (i == 1) box->SetShortcut(L'B');
        }
        if (c.okAndCancel) {
            root->Add(new TestBox(L"ok", RECT{ 10, 60, 50, 90 }, &log));
            root->Add(new TestBox(L"cancel", RECT{ 60, 60, 100, 90 }, &log));
        }
        // Searched top first, the label comes before C.
        TestBox* label = root->Add(new TestBox(L"label", RECT{ 110, 60, 140, 90 }, &log, L"LabelUI"));
        label->SetShortcut(L'x');
        HWND child = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 150, 60, 40, 30, window.hwnd,
            nullptr, nullptr, nullptr);
        window.Attach(root);
        TestBox* focus = static_cast<TestBox*>(window.pm.FindControl(c.focus));
        focus->flags |= c.focusFlags;
        window.pm.SetFocus(focus);
        log.clear();

        SetShiftDown(c.shift);
        ::PostMessageW(c.toChildWindow ? child : window.hwnd, c.message, c.key, 1);
        ::PostQuitMessage(0);
        CPaintManagerUI::MessageLoop();
        SetShiftDown(false);

        ASSERT_NE(window.pm.GetFocus(), nullptr);
        EXPECT_EQ(std::wstring(window.pm.GetFocus()->GetName().GetData()), c.expectedFocus);
        EXPECT_EQ(Join(log), c.expectedLog);
    }
}

TEST(PaintManagerInput, KeyControlAndFocusNeeded)
{
    TestWindow window;
    TwoBoxes tree;
    window.Attach(tree.root);
    window.pm.SetFocus(tree.a);
    window.Post(WM_KEYDOWN, 'X', 1);
    window.pm.SetFocus(tree.b);
    tree.log.clear();
    window.Post(WM_KEYUP, 'X', 1);
    window.Post(WM_CHAR, 'x', 1);
    EXPECT_EQ(Join(tree.log), L"A:keyup B:char");

    // Focus asked for before layout arrives with the next paint.
    tree.a->flags = tree.b->flags = UIFLAG_TABSTOP;
    tree.log.clear();
    window.pm.SetFocusNeeded(tree.b);
    EXPECT_EQ(window.pm.GetFocus(), tree.a);
    window.Repaint();
    EXPECT_EQ(window.pm.GetFocus(), tree.b);
    EXPECT_EQ(Join(tree.log), L"B:killfocus A:killfocus B:setfocus");
}

TEST(PaintManagerInput, HoverShowsTheTooltipOfTheControl)
{
    TestWindow window;
    TwoBoxes tree;
    tree.b->SetToolTip(L"about B");
    window.Attach(tree.root);
    window.Mouse(WM_MOUSEMOVE, 20, 20);
    window.Mouse(WM_MOUSEHOVER, 20, 20);
    EXPECT_EQ(window.pm.GetTooltipWindow(), nullptr) << "A has no tooltip text";

    window.Mouse(WM_MOUSEMOVE, 120, 20);
    window.Mouse(WM_MOUSEHOVER, 120, 20);
    HWND tip = window.pm.GetTooltipWindow();
    ASSERT_NE(tip, nullptr);
    wchar_t className[64] = {};
    ::GetClassNameW(tip, className, 64);
    EXPECT_STREQ(className, L"tooltips_class32");
    EXPECT_EQ(::GetWindow(tip, GW_OWNER), window.hwnd);
    EXPECT_EQ(::SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    EXPECT_EQ(::SendMessageW(tip, TTM_GETMAXTIPWIDTH, 0, 0), tree.b->GetToolTipWidth());
    EXPECT_NE(Join(tree.log).find(L"B:hover"), std::wstring::npos) << Join(tree.log);
}

} // namespace
