// The control base: attributes, painted layers, positioning with real
// invalidation, focus and events through real window messages, and the
// event sources.
#include "tests/ui_render/RenderTestSupport.h"

#include "ui/core/RenderEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <tuple>

using namespace SkinUI;

namespace {

const DWORD WHITE = 0xFFFFFFFF;
const DWORD BLACK = 0xFF000000;
const DWORD RED = 0xFFFF0000;
const DWORD GREEN = 0xFF00FF00;
const DWORD BLUE = 0xFF0000FF;

TEST(ControlAttributes, EveryListSetsWhatItNames)
{
    const std::pair<const wchar_t*, std::function<void(CControlUI&)>> cases[] = {
        { L"pos=\"-50,10,-10,30\"", [](CControlUI& c) {
              EXPECT_EQ(c.GetFixedXY().cx, -10);
              EXPECT_EQ(c.GetFixedXY().cy, 10);
              EXPECT_EQ(c.GetFixedWidth(), 40);
              EXPECT_EQ(c.GetFixedHeight(), 20);
          } },
        { L"bordersize=\"1,0,1,0\" bordersize=\"2\"", [](CControlUI& c) {
              EXPECT_EQ(c.GetBorderSize(), 2);
              EXPECT_EQ(c.GetLeftBorderSize() + c.GetRightBorderSize(), 0);
          } },
        { L"bordersize=\"2\" bordersize=\"1,0,3,0\"", [](CControlUI& c) {
              EXPECT_EQ(c.GetBorderSize(), 2);
              EXPECT_EQ(std::make_pair(c.GetLeftBorderSize(), c.GetRightBorderSize()), std::make_pair(1, 3));
          } },
        { L"tooltip=\"a<n>b<n>\"", [](CControlUI& c) { EXPECT_STREQ(c.GetToolTip().GetData(), L"a\r\nb\r\n"); } },
        { L"text=\"x\"  name=\"y\"", [](CControlUI& c) {
              EXPECT_STREQ(c.GetText().GetData(), L"x");
              EXPECT_TRUE(c.GetName().IsEmpty());
          } },
        { L"text=\"x\"name=\"y\" tooltip=\"z\"", [](CControlUI& c) {
              EXPECT_STREQ(c.GetText().GetData(), L"x");
              EXPECT_TRUE(c.GetToolTip().IsEmpty());
          } },
        { L"name=\"a\" text='b' tooltip=\"c\"", [](CControlUI& c) {
              EXPECT_STREQ(c.GetName().GetData(), L"a");
              EXPECT_TRUE(c.GetText().IsEmpty());
          } },
        { L"bkcolor=\"  #80FF0000\" bkcolor2=\"FF00FF00\" bkcolor3=\"#FF0000FF\" bordercolor=\"#FF123456\"",
          [](CControlUI& c) {
              EXPECT_EQ(c.GetBkColor(), 0x80FF0000u);
              EXPECT_EQ(c.GetBkColor2(), 0xFF00FF00u);
              EXPECT_EQ(c.GetBkColor3(), 0xFF0000FFu);
              EXPECT_EQ(c.GetBorderColor(), 0xFF123456u);
          } },
        { L"bkcolor1=\"#FF010203\" focusbordercolor=\"#FF040506\"", [](CControlUI& c) {
              EXPECT_EQ(c.GetBkColor(), 0xFF010203u);
              EXPECT_EQ(c.GetFocusBorderColor(), 0xFF040506u);
          } },
        { L"width=\"30\" width=\"-3\" minwidth=\"-5\" minheight=\"7\" maxwidth=\"50\" maxheight=\"60\"",
          [](CControlUI& c) {
              EXPECT_EQ(c.GetFixedWidth(), 30);
              EXPECT_EQ(c.GetMinWidth(), 0);
              EXPECT_EQ(std::make_tuple(c.GetMinHeight(), c.GetMaxWidth(), c.GetMaxHeight()), std::make_tuple(7, 50, 60));
          } },
        { L"padding=\"1 2 3 4\" borderround=\"5,6\" relativepos=\"10,20,30,40\"", [](CControlUI& c) {
              EXPECT_EQ(std::make_pair(c.GetPadding().left, c.GetPadding().bottom), std::make_pair(1L, 4L));
              EXPECT_EQ(c.GetBorderRound().cy, 6);
              EXPECT_TRUE(c.IsRelativePos());
              EXPECT_EQ(c.GetRelativePos().zoomYPercent, 40);
          } },
        { L"visible=\"True\" enabled=\"false\" mouse=\"false\" float=\"true\" menu=\"true\" tabstop=\"no\"",
          [](CControlUI& c) {
              EXPECT_FALSE(c.IsVisible() || c.IsEnabled() || c.IsMouseEnabled() || c.GetTabstop() || c.Activate());
              EXPECT_TRUE(c.IsFloat() && c.IsContextMenuUsed());
          } },
        { L"shortcut=\"Qx\" userdata=\"u\" virtualwnd=\"page\" Name=\"ignored\" unknown=\"1\" leftbordersize=\"x\"",
          [](CControlUI& c) {
              EXPECT_EQ(c.GetShortcut(), L'Q');
              EXPECT_STREQ(c.GetUserData().GetData(), L"u");
              EXPECT_STREQ(c.GetVirtualWnd().GetData(), L"page");
              EXPECT_TRUE(c.GetName().IsEmpty());
              EXPECT_EQ(c.GetLeftBorderSize(), 0);
          } },
        { L"pos=\"-2147483648,0,2147483647,5\"", [](CControlUI& c) { EXPECT_GE(c.GetFixedWidth(), 0); } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.first)));
        CControlUI control;
        EXPECT_EQ(control.ApplyAttributeList(c.first), &control);
        c.second(control);
    }
}

struct PaintCase {
    const char* what;
    const wchar_t* list;
    RECT paint;
    DWORD background;
    bool focused;
    std::vector<std::pair<POINT, DWORD>> probes;
};

TEST(ControlPaint, LayersAndBorders)
{
    const RECT item = { 0, 0, 20, 20 };
    const PaintCase cases[] = {
        { "translucent background fills the whole item", L"bkcolor=\"#80FF0000\"", RECT{ 0, 0, 5, 5 }, BLACK, false,
          { { { 2, 2 }, 0xFF800000 }, { { 15, 15 }, 0xFF800000 } } },
        { "opaque background fills the paint rect", L"bkcolor=\"#FFFF0000\"", RECT{ 0, 0, 5, 5 }, BLACK, false,
          { { { 2, 2 }, RED }, { { 15, 15 }, BLACK } } },
        { "uniform size after sides", L"bordercolor=\"#FF0000FF\" bordersize=\"1,0,1,0\" bordersize=\"2\"", item,
          WHITE, false, { { { 10, 0 }, BLUE }, { { 10, 1 }, BLUE }, { { 10, 2 }, WHITE }, { { 0, 10 }, BLUE } } },
        { "sides after uniform size", L"bordercolor=\"#FF0000FF\" bordersize=\"2\" bordersize=\"1,0,1,0\"", item,
          WHITE, false,
          { { { 0, 10 }, BLUE }, { { 1, 10 }, WHITE }, { { 19, 10 }, BLUE }, { { 18, 10 }, WHITE },
            { { 10, 0 }, WHITE } } },
        { "focus frame wins over the sides",
          L"bordercolor=\"#FF0000FF\" focusbordercolor=\"#FF00FF00\" bordersize=\"2\" bordersize=\"1,0,1,0\"", item,
          WHITE, true, { { { 10, 0 }, GREEN }, { { 10, 1 }, GREEN }, { { 0, 10 }, GREEN }, { { 19, 19 }, GREEN } } },
        { "no frame from a focus colour alone", L"focusbordercolor=\"#FF00FF00\" bordersize=\"2\"", item, WHITE,
          false, { { { 10, 0 }, WHITE }, { { 0, 10 }, WHITE } } },
        { "wide bottom side stays inside", L"bordercolor=\"#FF0000FF\" bottombordersize=\"3\"", item, WHITE, false,
          { { { 10, 19 }, BLUE }, { { 10, 17 }, BLUE }, { { 10, 16 }, WHITE } } },
        { "vertical gradient", L"bkcolor=\"#FF000000\" bkcolor2=\"#FFFFFFFF\"", item, RED, false,
          { { { 5, 0 }, 0xFF080808 }, { { 5, 19 }, 0xFFF7F7F7 } } },
        { "three stops", L"bkcolor=\"#FFFF0000\" bkcolor2=\"#FF00FF00\" bkcolor3=\"#FF0000FF\"", item, WHITE, false,
          { { { 5, 0 }, 0xFFF00F00 }, { { 5, 10 }, 0xFF00F00F }, { { 5, 19 }, 0xFF0018E7 } } },
        { "rounded corners clip", L"bkcolor=\"#FF00FF00\" borderround=\"10,10\"", item, WHITE, false,
          { { { 0, 0 }, WHITE }, { { 10, 10 }, GREEN }, { { 19, 10 }, GREEN } } },
        { "background image", L"bkimage=\"file='blue.png' dest='0,0,5,5'\"", item, WHITE, false,
          { { { 2, 2 }, BLUE }, { { 10, 10 }, WHITE } } },
        { "colours through the manager's HSL", L"colorhsl=\"true\" bkcolor=\"#FFFF0000\"", item, WHITE, false,
          { { { 5, 5 }, GREEN } } },
    };
    UseSkin(SkinSource::Folder);
    CPaintManagerUI::SetHSL(true, 300, 100, 100);
    for (const PaintCase& c : cases) {
        SCOPED_TRACE(c.what);
        CPaintManagerUI pm;
        CControlUI control;
        control.SetManager(&pm, nullptr, false);
        control.ApplyAttributeList(c.list);
        control.SetPos(item);
        TEventUI focus = {};
        focus.type = UIEVENT_SETFOCUS;
        if (c.focused) control.Event(focus);
        EXPECT_EQ(control.IsFocused(), c.focused);
        Canvas canvas(24, 24, c.background);
        control.DoPaint(canvas.dc(), c.paint);
        for (const auto& probe : c.probes) {
            const DWORD got = canvas.At(probe.first.x, probe.first.y);
            EXPECT_LE(ColorDistance(got, probe.second), 24)
                << probe.first.x << "," << probe.first.y << ": " << ColorText(got) << " wanted " << ColorText(probe.second);
        }
        EXPECT_EQ(canvas.At(21, 21), c.background) << "outside the item";
    }
    CPaintManagerUI::SetHSL(true, 180, 100, 100);

    // An image that does not load is no failure to draw; no manager is.
    CPaintManagerUI pm;
    CControlUI missing;
    CControlUI detached;
    missing.SetManager(&pm, nullptr, false);
    for (CControlUI* control : { &missing, &detached }) {
        control->SetBkImage(L"nope.png");
        control->SetPos(item);
        control->DoPaint(Canvas(24, 24).dc(), item);
    }
    EXPECT_STREQ(missing.GetBkImage().GetData(), L"nope.png");
    EXPECT_TRUE(detached.GetBkImage().IsEmpty());
}

bool Refuse(void*)
{
    return false;
}

struct SizeHandler {
    CControlUI* control = nullptr;
    int calls = 0;
    bool OnSize(void*)
    {
        calls++;
        control->SetPos(RECT{ 10, 10, 80, 80 });
        return true;
    }
};

TEST(ControlInWindow, PositionInvalidationFocusAndEvents)
{
    TestWindow window(120, 100);
    TestPanel* root = new TestPanel;
    window.pm.AttachDialog(root);
    root->SetPos(RECT{ 0, 0, 50, 50 });
    CControlUI* child = root->Add(new CControlUI, RECT{ 10, 10, 20, 20 });
    CControlUI* other = root->Add(new CControlUI, RECT{ 30, 30, 40, 40 });

    // Moving invalidates the old and the new rect, clipped by the parent;
    // onSize does not re-enter.
    ValidateRect(window.hwnd, nullptr);
    SizeHandler handler{ child };
    child->onSize += MakeDelegate(&handler, &SizeHandler::OnSize);
    child->SetPos(RECT{ 40, 40, 80, 80 });
    child->onSize -= MakeDelegate(&handler, &SizeHandler::OnSize);
    EXPECT_EQ(handler.calls, 1);
    RECT update = {};
    GetUpdateRect(window.hwnd, &update, FALSE);
    EXPECT_EQ(std::make_tuple(update.left, update.top, update.right, update.bottom), std::make_tuple(10, 10, 50, 50));
    child->SetPos(RECT{ 60, 60, 70, 70 });
    ValidateRect(window.hwnd, nullptr);
    child->SetPos(RECT{ 80, 60, 90, 70 });
    EXPECT_FALSE(GetUpdateRect(window.hwnd, nullptr, FALSE)) << "outside the parent nothing is invalidated";

    // A floating control keeps its offset from the edge it was given for.
    child->SetFloat(true);
    child->SetFixedXY(SIZE{ -10, 5 });
    child->SetPos(RECT{ 30, 5, 45, 20 });
    EXPECT_EQ(std::make_tuple(child->GetFixedXY().cx, child->GetFixedXY().cy, child->GetFixedWidth()),
              std::make_tuple(-5L, 5L, 15));
    child->SetPos(RECT{ 10, 10, 20, 20 });

    // Hiding the focused control clears the window's focus.
    child->SetFocus();
    ASSERT_EQ(window.pm.GetFocus(), child);
    EXPECT_TRUE(child->IsFocused());
    child->SetVisible(false);
    EXPECT_EQ(window.pm.GetFocus(), nullptr);
    EXPECT_FALSE(child->IsFocused());
    EXPECT_EQ(window.notes.back(), L"killfocus:0");
    child->SetVisible(true);

    // onEvent can veto the control's own handling.
    other->onEvent += Refuse;
    other->SetFocus();
    EXPECT_EQ(window.pm.GetFocus(), other);
    EXPECT_FALSE(other->IsFocused());
    other->onEvent -= Refuse;

    // A timer arrives as a real WM_TIMER and comes back as "timer".
    ASSERT_TRUE(window.pm.SetTimer(child, 7, 10));
    EXPECT_TRUE(window.PumpUntil([&] { return window.notes.back() == L"timer:7"; }));
    window.pm.KillTimer(child);

    // A right click: "menu" from a control that uses one, else the event
    // goes up to the parent.
    auto rightClick = [&](int x, int y) {
        POINT screen = { x, y };
        ClientToScreen(window.hwnd, &screen);
        PostMessageW(window.hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(x, y));
        PostMessageW(window.hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window.hwnd), MAKELPARAM(screen.x, screen.y));
    };
    child->SetContextMenuUsed(true);
    rightClick(15, 15);
    EXPECT_TRUE(window.PumpUntil([&] { return window.notes.back().rfind(L"menu:", 0) == 0; }));
    rightClick(35, 35);
    EXPECT_TRUE(window.PumpUntil([&] {
        return std::count(root->events.begin(), root->events.end(), static_cast<int>(UIEVENT_CONTEXTMENU)) == 1;
    }));

    CRenderEngine::DoAnimateWindow(window.hwnd, 0x1 | 0x2, 20);
    EXPECT_FALSE(IsWindowVisible(window.hwnd)) << "blend and hide";
}

TEST(ControlIdentity, InterfaceFindingAndVirtualWindow)
{
    TestPanel root;
    CControlUI* child = root.Add(new CControlUI, RECT{ 10, 10, 20, 20 });
    EXPECT_STREQ(child->GetClass(), L"ControlUI");
    EXPECT_EQ(child->GetInterface(L"Control"), child);
    EXPECT_EQ(child->GetInterface(L"Button"), nullptr);
    root.SetVirtualWnd(L"tab1");
    EXPECT_STREQ(child->GetVirtualWnd().GetData(), L"tab1");
    EXPECT_EQ(child->EstimateSize(SIZE{ 100, 100 }).cx, 0);

    auto self = [](CControlUI* c, LPVOID) -> CControlUI* { return c; };
    POINT inside = { 15, 15 };
    POINT outside = { 25, 25 };
    EXPECT_EQ(child->FindControl(self, &inside, UIFIND_HITTEST), child);
    EXPECT_EQ(child->FindControl(self, &outside, UIFIND_HITTEST), nullptr);
    child->SetMouseEnabled(false);
    EXPECT_EQ(child->FindControl(self, &inside, UIFIND_HITTEST), nullptr);
    child->SetEnabled(false);
    EXPECT_EQ(child->FindControl(self, nullptr, UIFIND_ENABLED), nullptr);
    EXPECT_EQ(child->FindControl(self, nullptr, UIFIND_VISIBLE), child);
    child->SetInternVisible(false);
    EXPECT_EQ(child->FindControl(self, nullptr, UIFIND_VISIBLE), nullptr);
}

std::vector<int> g_calls;
bool First(void*) { g_calls.push_back(1); return true; }
bool Second(void*) { g_calls.push_back(2); return false; }
bool Third(void*) { g_calls.push_back(3); return true; }

struct SelfRemover {
    CEventSource* source;
    int calls = 0;
    bool Call(void*)
    {
        calls++;
        *source -= MakeDelegate(this, &SelfRemover::Call);
        return true;
    }
};

TEST(EventSource, CallsInOrderAndStopsAtTheFirstFalse)
{
    const struct {
        std::vector<CEventSource::FnType> handlers;
        bool result;
        std::vector<int> calls;
    } cases[] = {
        { {}, true, {} },
        { { First, Third }, true, { 1, 3 } },
        { { First, Second, Third }, false, { 1, 2 } },
        { { First, First, Third }, true, { 1, 3 } },
        { { Second, First }, false, { 2 } },
    };
    for (const auto& [handlers, result, calls] : cases) {
        CEventSource source;
        for (auto fn : handlers) source += fn;
        g_calls.clear();
        EXPECT_EQ(source(nullptr), result);
        EXPECT_EQ(g_calls, calls);
        EXPECT_EQ(static_cast<bool>(source), !handlers.empty());
    }

    CEventSource source;
    source += First;
    source += Third;
    source -= First;
    source -= Second;
    g_calls.clear();
    source(nullptr);
    EXPECT_EQ(g_calls, std::vector<int>{ 3 });

    // A delegate that removes itself while being called, added twice.
    SelfRemover remover{ &source };
    source += MakeDelegate(&remover, &SelfRemover::Call);
    source += MakeDelegate(&remover, &SelfRemover::Call);
    source(nullptr);
    source(nullptr);
    EXPECT_EQ(remover.calls, 1);
    EXPECT_FALSE(MakeDelegate(First).Equals(MakeDelegate(Third)));
}

} // namespace
