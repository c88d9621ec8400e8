// The window wrapper and the skinned window base with real windows and
// real messages: keys, system buttons, hit testing, regions, modal loops
// and a skin that fails to load.
#include "tests/ui_controls/ControlsTestSupport.h"

#include "base/ScopedGdi.h"
#include "base/ScopedHandles.h"
#include "base/TextConversion.h"
#include "base/WorkArea.h"
#include "tests/support/TestSupport.h"
#include "ui/core/ControlUI.h"
#include "ui/core/PaintManagerUI.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace SkinUI;

namespace {

bool Visible(SkinWindow& window, const wchar_t* name)
{
    CControlUI* control = window.Find(name);
    return control != nullptr && control->IsVisible();
}

TEST(WindowBase, LoadsFromEveryResourceType)
{
    const struct {
        UILIB_RESOURCETYPE type;
        const wchar_t* xml;
        const wchar_t* resourceId;
        const wchar_t* expected;
    } cases[] = {
        { UILIB_FILE, L"window.xml", L"", L"closebtn" },
        { UILIB_ZIP, L"window.xml", L"", L"closebtn" },
        { UILIB_RESOURCE, L"101", L"", L"inc_b" },
        { UILIB_ZIPRESOURCE, L"window.xml", L"SKINZIP", L"closebtn" },
        // A missing archive resource builds nothing and shows no message.
        { UILIB_ZIPRESOURCE, L"window.xml", L"NOPE", nullptr },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " " << ToNarrow(c.xml));
        SkinWindow window(c.xml, c.type);
        window.resourceId = c.resourceId;
        ASSERT_NE(window.Open(), nullptr);
        if (c.expected == nullptr) {
            EXPECT_EQ(window.GetPaintManager().GetRoot(), nullptr);
            continue;
        }
        EXPECT_NE(window.Find(c.expected), nullptr);
        EXPECT_EQ(::GetWindowLongW(window.GetHWND(), GWL_STYLE) & WS_CAPTION, 0);
        const std::wstring init = std::wstring(L"windowinit:") + window.GetPaintManager().GetRoot()->GetName().GetData();
        EXPECT_NE(std::find(window.notes.begin(), window.notes.end(), init), window.notes.end());
    }
}

TEST(WindowBase, SecondArchiveResourceReadFromItsOwnMemory)
{
    // The first window installs its archive for the process; once that is
    // dropped, a window with a larger archive resource reads all of it.
    {
        SkinWindow first(L"window.xml", UILIB_ZIPRESOURCE);
        ASSERT_NE(first.Open(), nullptr);
        EXPECT_NE(first.Find(L"closebtn"), nullptr);
    }
    CPaintManagerUI::Term();
    SkinWindow second(L"window.xml", UILIB_ZIPRESOURCE);
    second.resourceId = L"SECONDZIP";
    ASSERT_NE(second.Open(), nullptr);
    EXPECT_NE(second.Find(L"second"), nullptr);
    EXPECT_EQ(second.Find(L"closebtn"), nullptr);
}

TEST(WindowBase, KeysAndSystemButtons)
{
    const struct {
        const char* name;
        std::function<void(SkinWindow&)> act;
        bool closed;
        bool iconic;
        bool zoomed;
    } cases[] = {
        {"escape",
         [](SkinWindow& w) {
             w.PostMessage(WM_KEYDOWN, VK_ESCAPE, 0);
             PumpUiMessages();
         },
         true, false, false},
        {"return",
         [](SkinWindow& w) {
             w.PostMessage(WM_KEYDOWN, VK_RETURN, 0);
             PumpUiMessages();
         },
         false, false, false},
        {"closebtn", [](SkinWindow& w) { w.Click(L"closebtn"); }, true, false, false},
        {"maxbtn", [](SkinWindow& w) { w.Click(L"maxbtn"); }, false, false, true},
        {"unnamed", [](SkinWindow& w) { w.Click(L"plain"); }, false, false, false},
        {"minbtn", [](SkinWindow& w) { w.Click(L"minbtn"); }, false, true, false},
        {"system close",
         [](SkinWindow& w) {
             w.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
             PumpUiMessages();
         },
         true, false, false},
    };
    UseTestSkins();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SkinWindow window(L"window.xml");
        const HWND hwnd = window.Open();
        ASSERT_NE(hwnd, nullptr);
        c.act(window);
        EXPECT_EQ(::IsWindow(hwnd) == FALSE, c.closed);
        EXPECT_EQ(window.finalMessage, c.closed);
        // Escape and the close button close with 1, the system menu with 0.
        if (c.closed) {
            EXPECT_EQ(window.closeCode, std::string(c.name) == "system close" ? 0u : 1u);
        }
        if (!c.closed) {
            EXPECT_EQ(::IsIconic(hwnd) != FALSE, c.iconic);
            EXPECT_EQ(::IsZoomed(hwnd) != FALSE, c.zoomed);
            // Wine on a display without a window manager fails with an X
            // error when a maximised window is destroyed.
            ::ShowWindow(hwnd, SW_RESTORE);
            PumpUiMessages();
        }
    }
}

TEST(WindowBase, MaximiseSwapsTheButtonsAndDropsTheSizeBox)
{
    UseTestSkins();
    SkinWindow window(L"window.xml");
    ASSERT_NE(window.Open(), nullptr);
    EXPECT_EQ(window.HitTest(2, 2), HTTOPLEFT);
    EXPECT_TRUE(Visible(window, L"maxbtn"));
    EXPECT_FALSE(Visible(window, L"restorebtn"));

    window.SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    PumpUiMessages();
    ASSERT_TRUE(::IsZoomed(window.GetHWND()));
    EXPECT_FALSE(Visible(window, L"maxbtn"));
    EXPECT_TRUE(Visible(window, L"restorebtn"));
    EXPECT_NE(window.HitTest(2, 2), HTTOPLEFT);
    EXPECT_NE(window.HitTest(2, 150), HTLEFT);

    window.Click(L"restorebtn");
    EXPECT_FALSE(::IsZoomed(window.GetHWND()));
    EXPECT_TRUE(Visible(window, L"maxbtn"));
    EXPECT_FALSE(Visible(window, L"restorebtn"));
    EXPECT_EQ(window.HitTest(2, 2), HTTOPLEFT);
}

TEST(WindowBase, CaptionAndSizeBoxHitTesting)
{
    // window.xml: caption 0,0,0,30; caption300.xml: 0,0,300,30. The title
    // bar holds a label (0-100), five buttons of 30 (the restore button
    // hidden) and a plain control up to 400; a size box of 4 on every side.
    const struct {
        int x;
        int y;
        LRESULT full;
        LRESULT limited;
    } cases[] = {
        { 350, 10, HTCAPTION, HTCLIENT }, { 250, 10, HTCAPTION, HTCAPTION }, { 50, 10, HTCAPTION, HTCAPTION },
        { 115, 10, HTCLIENT, HTCLIENT },  { 200, 100, HTCLIENT, HTCLIENT },  { 200, 35, HTCLIENT, HTCLIENT },
        { 2, 2, HTTOPLEFT, HTTOPLEFT },   { 397, 2, HTTOPRIGHT, HTTOPRIGHT }, { 200, 2, HTTOP, HTTOP },
        { 2, 150, HTLEFT, HTLEFT },       { 397, 150, HTRIGHT, HTRIGHT },     { 2, 297, HTBOTTOMLEFT, HTBOTTOMLEFT },
        { 200, 297, HTBOTTOM, HTBOTTOM }, { 397, 297, HTBOTTOMRIGHT, HTBOTTOMRIGHT },
    };
    UseTestSkins();
    SkinWindow full(L"window.xml");
    SkinWindow limited(L"caption300.xml");
    ASSERT_NE(full.Open(), nullptr);
    ASSERT_NE(limited.Open(), nullptr);
    RECT rc = {};
    ::GetWindowRect(full.GetHWND(), &rc);
    ASSERT_EQ(rc.right - rc.left, 400);
    ASSERT_EQ(rc.bottom - rc.top, 300);
    for (const auto& c : cases) {
        EXPECT_EQ(full.HitTest(c.x, c.y), c.full) << c.x << "," << c.y;
        EXPECT_EQ(limited.HitTest(c.x, c.y), c.limited) << c.x << "," << c.y;
    }
}

TEST(WindowBase, RoundCornersResizeAndCentre)
{
    UseTestSkins();
    for (const bool round : { false, true }) {
        SCOPED_TRACE(round ? "round" : "square");
        SkinWindow window(round ? L"round.xml" : L"window.xml");
        const HWND hwnd = window.Open();
        ASSERT_NE(hwnd, nullptr);
        window.ResizeClient(420, 320);
        RECT client = {};
        ::GetClientRect(hwnd, &client);
        EXPECT_EQ(client.right, 420);
        EXPECT_EQ(client.bottom, 320);

        ScopedRegion region(::CreateRectRgn(0, 0, 0, 0));
        const int kind = ::GetWindowRgn(hwnd, region.Get());
        if (!round) {
            EXPECT_EQ(kind, ERROR);
            continue;
        }
        ASSERT_NE(kind, ERROR);
        RECT box = {};
        ::GetRgnBox(region.Get(), &box);
        // The region reaches the window's right and bottom edges.
        EXPECT_EQ(box.right, 420);
        EXPECT_EQ(box.bottom, 320);
        EXPECT_FALSE(::PtInRegion(region.Get(), 0, 0));
        EXPECT_TRUE(::PtInRegion(region.Get(), 210, 160));

        window.CenterWindow();
        MONITORINFO monitor = {};
        monitor.cbSize = sizeof(monitor);
        ::GetMonitorInfoW(::MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor);
        RECT rc = {};
        ::GetWindowRect(hwnd, &rc);
        const RECT& work = monitor.rcWork;
        EXPECT_EQ(rc.left, (work.left + work.right) / 2 - 420 / 2);
        EXPECT_EQ(rc.top, (work.top + work.bottom) / 2 - 320 / 2);
    }
}

TEST(WindowBase, CentresOnAMonitorLeftOfAndAboveThePrimaryOne)
{
    UseTestSkins();
    SkinWindow window(L"window.xml");
    const HWND hwnd = window.Open();
    ASSERT_NE(hwnd, nullptr);
    window.ResizeClient(420, 320);
    const struct {
        RECT area;
        POINT expected;
    } cases[] = {
        {{-1280, -200, 0, 824}, {-850, 152}},
        // Smaller than the window: its top-left corner at the area's.
        {{-300, -250, -100, -50}, {-300, -250}},
    };
    static RECT s_area;
    const WorkAreaReader platform = SetWorkAreaReader(+[](HMONITOR, RECT& work) {
        work = s_area;
        return true;
    });
    for (const auto& c : cases) {
        s_area = c.area;
        window.CenterWindow();
        RECT rc = {};
        ::GetWindowRect(hwnd, &rc);
        EXPECT_EQ(rc.left, c.expected.x);
        EXPECT_EQ(rc.top, c.expected.y);
    }
    SetWorkAreaReader(platform);
}

TEST(WindowBase, ShowModalReturnsTheCloseCodeAndFreesTheOwner)
{
    UseTestSkins();
    HostWindow owner;
    {
        SkinWindow dialog(L"window.xml");
        ASSERT_NE(dialog.Open(owner.hwnd), nullptr);
        ASSERT_EQ(::GetWindow(dialog.GetHWND(), GW_OWNER), owner.hwnd);
        dialog.Close(7);
        EXPECT_EQ(dialog.ShowModal(), 7u);
        EXPECT_TRUE(::IsWindowEnabled(owner.hwnd));
        EXPECT_EQ(dialog.GetHWND(), nullptr);
    }
    {
        // A quit message ends the loop, frees the owner and is posted again.
        SkinWindow dialog(L"window.xml");
        ASSERT_NE(dialog.Open(owner.hwnd), nullptr);
        ::PostQuitMessage(5);
        EXPECT_EQ(dialog.ShowModal(), 0u);
        EXPECT_TRUE(::IsWindowEnabled(owner.hwnd));
        EXPECT_TRUE(::IsWindow(dialog.GetHWND()));
        MSG msg = {};
        ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
        EXPECT_EQ(msg.wParam, 5u);
    }
}

TEST(WindowBase, SkinThatFailsToLoadEndsTheProcessWithOne)
{
    const std::wstring probe = ToWide(TestProgramDir()) + L"\\load_fail_probe.exe";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::wstring command = L"\"" + probe + L"\"";
    ASSERT_TRUE(::CreateProcessW(probe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    ScopedHandle process(pi.hProcess);
    ScopedHandle thread(pi.hThread);

    // The message box of the child: found by its caption and owner process,
    // read, then answered.
    HWND box = nullptr;
    for (int i = 0; i < 300 && box == nullptr; i++) {
        for (HWND w = ::FindWindowW(nullptr, L"SkinUI"); w != nullptr; w = ::FindWindowExW(nullptr, w, nullptr, L"SkinUI")) {
            DWORD pid = 0;
            ::GetWindowThreadProcessId(w, &pid);
            if (pid == pi.dwProcessId) box = w;
        }
        if (box == nullptr) ::Sleep(50);
    }
    ASSERT_NE(box, nullptr) << "no message box";
    wchar_t text[64] = {};
    ::GetDlgItemTextW(box, 0xFFFF, text, 64);
    EXPECT_STREQ(text, L"\u52a0\u8f7d\u8d44\u6e90\u6587\u4ef6\u5931\u8d25");
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_EQ(::WaitForSingleObject(process.Get(), 20000), WAIT_OBJECT_0);
    DWORD code = 0;
    ::GetExitCodeProcess(process.Get(), &code);
    EXPECT_EQ(code, 1u);
}

} // namespace
