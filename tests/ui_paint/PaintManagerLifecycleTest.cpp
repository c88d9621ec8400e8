// Timers, notifications, layout and painting, finding controls and the
// window-level services of the paint manager, on real windows.
#include "PaintTestSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>

using namespace SkinUI;

namespace {

const UINT kAnyMessage = WM_USER + 77;
const UINT kNoTimer = 1000000;

struct TimerStep {
    enum Op { Set, Kill, KillAll, Fire } op;
    int control;  // 0: A, 1: B
    UINT id;      // local id, or the native id to fire
    bool result;
    const wchar_t* log;
};

TEST(PaintManagerTimers, NativeIdsAreKeptAndCycle)
{
    const TimerStep steps[] = {
        { TimerStep::Set, 0, 5, true, L"" },
        { TimerStep::Set, 0, 5, false, L"" },
        { TimerStep::Fire, 0, 17, true, L"A:timer5" },
        { TimerStep::Kill, 0, 5, true, L"" },
        { TimerStep::Kill, 0, 5, false, L"" },
        { TimerStep::Fire, 0, 17, true, L"" },
        { TimerStep::Set, 0, 5, true, L"" },
        { TimerStep::Set, 1, 5, true, L"" },
        { TimerStep::Fire, 0, 17, true, L"A:timer5" },
        { TimerStep::Fire, 0, 18, true, L"B:timer5" },
        { TimerStep::KillAll, 0, 0, true, L"" },
        { TimerStep::Fire, 0, 17, true, L"" },
        { TimerStep::Set, 0, 5, true, L"" },
        { TimerStep::Fire, 0, 19, true, L"A:timer5" },
    };
    TestWindow window;
    EventLog log;
    TestBox* root = new TestBox(L"root", RECT{ 0, 0, 200, 100 }, nullptr);
    TestBox* boxes[] = { root->Add(new TestBox(L"A", RECT{ 0, 0, 10, 10 }, &log)),
        root->Add(new TestBox(L"B", RECT{ 20, 0, 30, 10 }, &log)) };
    window.Attach(root);
    int index = 0;
    for (const TimerStep& step : steps) {
        SCOPED_TRACE(index++);
        log.clear();
        bool result = true;
        switch (step.op) {
        case TimerStep::Set: result = window.pm.SetTimer(boxes[step.control], step.id, kNoTimer); break;
        case TimerStep::Kill: result = window.pm.KillTimer(boxes[step.control], step.id); break;
        case TimerStep::KillAll: window.pm.KillTimer(boxes[step.control]); break;
        case TimerStep::Fire: window.Post(WM_TIMER, step.id, 0); break;
        }
        EXPECT_EQ(result, step.result);
        EXPECT_EQ(Join(log), step.log);
    }
}

TEST(PaintManagerTimers, TheTwoHundredThirtyNinthTimerGetsNativeIdZero)
{
    TestWindow window;
    EventLog log;
    TestBox* root = new TestBox(L"root", RECT{ 0, 0, 200, 100 }, nullptr);
    TestBox* a = root->Add(new TestBox(L"A", RECT{ 0, 0, 10, 10 }, &log));
    TestBox* b = root->Add(new TestBox(L"B", RECT{ 20, 0, 30, 10 }, &log));
    window.Attach(root);
    for (UINT i = 0; i < 238; i++) ASSERT_TRUE(window.pm.SetTimer(a, 100 + i, kNoTimer)) << i;
    const struct {
        UINT localId;
        UINT nativeId;
    } rows[] = { { 7, 0 }, { 8, 1 } };
    for (const auto& row : rows) {
        ASSERT_TRUE(window.pm.SetTimer(b, row.localId, kNoTimer));
        log.clear();
        window.Post(WM_TIMER, row.nativeId, 0);
        EXPECT_EQ(Join(log), L"B:timer" + std::to_wstring(row.localId));
    }
    // The cycle is full once every native id has a record; a further timer
    // would silently replace another one, so it is refused.
    for (UINT i = 0; i < 15; i++) ASSERT_TRUE(window.pm.SetTimer(b, 20 + i, kNoTimer)) << i;
    EXPECT_FALSE(window.pm.SetTimer(b, 99, kNoTimer));
    log.clear();
    window.Post(WM_TIMER, 17, 0);
    EXPECT_EQ(Join(log), L"A:timer100");

    // A real timer fires through the window's queue.
    window.pm.RemoveAllTimers();
    ASSERT_TRUE(window.pm.SetTimer(a, 3, 10));
    log.clear();
    for (int i = 0; i < 200 && log.empty(); i++) {
        ::Sleep(5);
        window.Pump();
    }
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), L"A:timer3");
}

EventLog* g_hookLog = nullptr;
bool NotifyHook(void* param)
{
    g_hookLog->push_back(L"hook:" + std::wstring(static_cast<TNotifyUI*>(param)->type.GetData()));
    return true;
}

TEST(PaintManagerNotify, LayoutAndNotifications)
{
    TestWindow window;
    EventLog log;
    NotifyLog notifier(&log);
    ASSERT_TRUE(window.pm.AddNotifier(&notifier));
    EXPECT_FALSE(window.pm.AddNotifier(&notifier));
    TestBox* root = new TestBox(L"root", RECT{ 0, 0, 200, 100 }, nullptr);
    TestBox* a = root->Add(new TestBox(L"A", RECT{ 0, 0, 10, 10 }, nullptr));
    TestBox* b = root->Add(new TestBox(L"B", RECT{ 20, 0, 30, 10 }, nullptr));
    window.Attach(root);
    EXPECT_EQ(Join(log), L"rootupdated:root windowinit:root");
    EXPECT_EQ(root->setPosCount, 1);

    // A size change re-lays out the root: "rootupdated" again, no "windowinit".
    log.clear();
    ::SetWindowPos(window.hwnd, nullptr, 0, 0, 220, 120, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    window.Repaint();
    EXPECT_EQ(Join(log), L"rootupdated:root");
    EXPECT_EQ(root->GetPos().right, 220);

    // One control marked: only it is placed again.
    log.clear();
    int rootCount = root->setPosCount;
    int aCount = a->setPosCount;
    a->NeedUpdate();
    window.Repaint();
    EXPECT_EQ(Join(log), L"");
    EXPECT_EQ(root->setPosCount, rootCount);
    EXPECT_EQ(a->setPosCount, aCount + 1);

    // The sender's own handlers first, then the notifiers.
    g_hookLog = &log;
    a->onNotify += NotifyHook;
    log.clear();
    window.pm.SendNotify(a, L"now");
    EXPECT_EQ(Join(log), L"hook:now now:A");

    // Asynchronous: on the next message, and without a sender once it is gone.
    log.clear();
    window.pm.SendNotify(a, L"later", 0, 0, true);
    window.pm.SendNotify(b, L"orphan", 0, 0, true);
    EXPECT_EQ(Join(log), L"");
    root->Remove(b);
    delete b;
    window.Post(kAnyMessage);
    EXPECT_EQ(Join(log), L"hook:later later:A orphan:-");
    EXPECT_EQ(window.pm.FindControl(L"B"), nullptr);

    // Virtual window names travel with synchronous notifications only.
    a->SetVirtualWnd(L"pane");
    log.clear();
    window.pm.SendNotify(a, L"tagged");
    window.pm.SendNotify(a, L"queued", 0, 0, true);
    window.Post(kAnyMessage);
    EXPECT_EQ(Join(log), L"hook:tagged tagged:A@pane hook:queued queued:A");
    EXPECT_TRUE(window.pm.RemoveNotifier(&notifier));
    EXPECT_FALSE(window.pm.RemoveNotifier(&notifier));
}

TEST(PaintManagerTree, FindingControls)
{
    TestWindow window;
    TestBox* root = new TestBox(L"root", RECT{ 0, 0, 200, 100 }, nullptr);
    root->Add(new TestBox(L"A", RECT{ 0, 0, 50, 50 }, nullptr, L"ButtonUI"));
    TestBox* b = root->Add(new TestBox(L"B", RECT{ 50, 0, 150, 50 }, nullptr, L"LabelUI"));
    TestBox* c = b->Add(new TestBox(L"C", RECT{ 60, 10, 90, 40 }, nullptr, L"ButtonUI"));
    root->Add(new TestBox(L"D", RECT{ 40, 40, 100, 100 }, nullptr, L"ButtonUI"));
    window.Attach(root);

    const struct {
        const wchar_t* className;
        int index;
        const wchar_t* expected;
    } rows[] = {
        { L"ButtonUI", 0, L"A" }, { L"ButtonUI", 1, L"C" }, { L"ButtonUI", 2, L"D" }, { L"ButtonUI", 3, nullptr },
        { L"*", 0, L"A" }, { L"*", 1, L"C" }, { L"*", 2, L"B" }, { L"*", 4, L"root" }, { L"LabelUI", -1, nullptr },
        { L"buttonui", 0, nullptr },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.index);
        CControlUI* found = window.pm.FindSubControlByClass(nullptr, row.className, row.index);
        if (row.expected == nullptr) {
            EXPECT_EQ(found, nullptr);
        } else {
            ASSERT_NE(found, nullptr);
            EXPECT_STREQ(found->GetName().GetData(), row.expected);
        }
    }
    EXPECT_EQ(window.pm.FindSubControlsByClass(nullptr, L"ButtonUI")->GetSize(), 3);
    EXPECT_EQ(window.pm.FindSubControlsByClass(b, L"ButtonUI")->GetSize(), 1);
    EXPECT_EQ(window.pm.FindParentControlByClass(c, L"LabelUI"), b);
    EXPECT_EQ(window.pm.FindParentControlByClass(c, L"Label"), nullptr);
    EXPECT_EQ(window.pm.FindSubControlByName(nullptr, L"c"), c);
    EXPECT_EQ(window.pm.FindControl(L"c"), nullptr);

    const struct {
        POINT pt;
        const wchar_t* expected;
    } points[] = { { { 70, 20 }, L"C" }, { { 45, 45 }, L"D" }, { { 120, 20 }, L"B" }, { { 190, 90 }, L"root" } };
    for (const auto& row : points) {
        CControlUI* found = window.pm.FindControl(row.pt);
        ASSERT_NE(found, nullptr);
        EXPECT_STREQ(found->GetName().GetData(), row.expected);
    }
}

LRESULT CALLBACK ReflectChildProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= 0x2000 && message < 0x3000) {
        ::SetPropW(hwnd, L"reflected", reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(message)));
        return 42;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST(PaintManagerWindow, WindowServices)
{
    TestWindow window;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = ReflectChildProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"CorvaneReflectChild";
    ::RegisterClassW(&wc);
    HWND child = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_CHILD, 0, 0, 10, 10, window.hwnd, nullptr,
        wc.hInstance, nullptr);
    NMHDR header = { child, 1, 0 };
    const struct {
        UINT message;
        LPARAM lParam;
        LRESULT result;
        UINT reflected;
    } reflections[] = {
        { WM_COMMAND, reinterpret_cast<LPARAM>(child), 42, 0x2000 + WM_COMMAND },
        { WM_NOTIFY, reinterpret_cast<LPARAM>(&header), 42, 0x2000 + WM_NOTIFY },
        { WM_CTLCOLORSTATIC, reinterpret_cast<LPARAM>(child), 42, 0x2000 + WM_CTLCOLORSTATIC },
        { WM_COMMAND, 0, 0, 0 },
    };
    for (const auto& row : reflections) {
        ::RemovePropW(child, L"reflected");
        EXPECT_EQ(::SendMessageW(window.hwnd, row.message, 0, row.lParam), row.result);
        EXPECT_EQ(static_cast<UINT>(reinterpret_cast<UINT_PTR>(::GetPropW(child, L"reflected"))), row.reflected);
    }

    // Sizes: the initial size resizes a window without a tree; the minimum
    // and maximum replace the tracking sizes where they are positive.
    window.pm.SetInitSize(150, 70);
    RECT rcWindow = {};
    ::GetWindowRect(window.hwnd, &rcWindow);
    EXPECT_EQ(rcWindow.right - rcWindow.left, 150);
    EXPECT_EQ(rcWindow.bottom - rcWindow.top, 70);
    window.pm.SetMinInfo(120, 0);
    window.pm.SetMaxInfo(0, 300);
    MINMAXINFO mmi = {};
    mmi.ptMinTrackSize = { 1, 2 };
    mmi.ptMaxTrackSize = { 1000, 1000 };
    ::SendMessageW(window.hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    EXPECT_EQ(mmi.ptMinTrackSize.x, 120);
    EXPECT_EQ(mmi.ptMinTrackSize.y, 2);
    EXPECT_EQ(mmi.ptMaxTrackSize.x, 1000);
    EXPECT_EQ(mmi.ptMaxTrackSize.y, 300);

    const struct {
        int requested;
        int stored;
        bool layered;
    } opacities[] = { { 128, 128, true }, { 0, 0, true }, { 300, 255, false }, { -5, 0, false } };
    for (const auto& row : opacities) {
        window.pm.SetTransparent(row.requested);
        EXPECT_EQ(window.pm.GetTransparent(), row.stored);
        bool layered = (::GetWindowLongW(window.hwnd, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
        EXPECT_EQ(layered, row.layered) << row.requested;
        BYTE alpha = 0;
        DWORD flags = 0;
        if (row.layered && ::GetLayeredWindowAttributes(window.hwnd, nullptr, &alpha, &flags)) {
            EXPECT_EQ(alpha, row.stored);
        }
    }

    const struct {
        UINT message;
        const wchar_t* name;
    } traces[] = { { WM_PAINT, L"WM_PAINT" }, { WM_GETTEXTLENGTH, L"WM_GETTEXTLENGTH" },
        { WM_NCHITTEST, L"WM_NCHITTEST" }, { 0x1234, L"0x1234" }, { 0x7, L"WM_SETFOCUS" }, { 0xABCDE, L"0xABCDE" } };
    for (const auto& row : traces) EXPECT_STREQ(UI_TraceMsg(row.message), row.name);

    // The old root goes when the posted clean-up message arrives.
    bool destroyed = false;
    TestBox* first = new TestBox(L"first", RECT{ 0, 0, 10, 10 }, nullptr);
    first->destroyed = &destroyed;
    window.Attach(first);
    window.pm.SetInitSize(90, 40);
    ::GetWindowRect(window.hwnd, &rcWindow);
    EXPECT_EQ(rcWindow.right - rcWindow.left, 150) << "a window with a tree keeps its size";
    ::InvalidateRect(window.hwnd, nullptr, FALSE);
    window.pm.AttachDialog(new TestBox(L"second", RECT{ 0, 0, 10, 10 }, nullptr));
    EXPECT_FALSE(destroyed);
    window.Pump();
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(window.pm.FindControl(L"first"), nullptr);

    // Post-paint controls; one that is destroyed leaves the list.
    CControlUI* second = window.pm.GetRoot();
    TestBox* extra = new TestBox(L"extra", RECT{ 0, 0, 10, 10 }, nullptr);
    extra->SetManager(&window.pm, nullptr, false);
    EXPECT_TRUE(window.pm.AddPostPaint(second));
    EXPECT_FALSE(window.pm.AddPostPaint(second));
    EXPECT_TRUE(window.pm.AddPostPaint(extra));
    EXPECT_FALSE(window.pm.SetPostPaintIndex(extra, 2));
    EXPECT_EQ(window.pm.GetPostPaintCount(), 2);
    EXPECT_TRUE(window.pm.SetPostPaintIndex(extra, 0));
    delete extra;
    EXPECT_EQ(window.pm.GetPostPaintCount(), 1);
    window.Repaint();
    EXPECT_TRUE(window.pm.RemovePostPaint(second));
    EXPECT_FALSE(window.pm.RemovePostPaint(second));
}

} // namespace
