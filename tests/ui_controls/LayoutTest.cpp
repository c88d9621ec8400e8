// Containers and layouts in a real window: rectangles, scroll bars, tabs,
// separators, and the colours a skin from the archive paints.
#include "tests/ui_controls/ControlsTestSupport.h"

#include "ui/controls/ContainerUI.h"
#include "ui/controls/ScrollBarUI.h"
#include "ui/controls/TabLayoutUI.h"
#include "ui/controls/VerticalLayoutUI.h"
#include "ui/core/ControlUI.h"

#include <gtest/gtest.h>

#include <vector>

using namespace SkinUI;

namespace {

struct Placed {
    const wchar_t* name;
    RECT rect;
};

struct LayoutCase {
    const char* name;
    int width;
    int height;
    const wchar_t* xml;
    std::vector<Placed> expected;
};

const LayoutCase kLayoutCases[] = {
    { "floating children stretch or keep their offsets", 200, 100,
      L"<Window><Container><Control name=\"f\" float=\"true\" pos=\"10,10,0,0\"/>"
      L"<Control name=\"g\" float=\"true\" pos=\"-50,10,-10,30\"/><Control name=\"h\" float=\"true\" "
      L"pos=\"-1,-1,-1,-1\"/><Control name=\"flow\"/></Container></Window>",
      { { L"f", { 10, 10, 200, 100 } }, { L"g", { 150, 10, 190, 30 } }, { L"h", { 0, 0, 199, 99 } },
        { L"flow", { 0, 0, 200, 100 } } } },
    { "vertical 35, 20 and 25", 120, 100,
      L"<Window><VerticalLayout childpadding=\"5\"><Control name=\"a\"/><Control name=\"b\" height=\"20\"/>"
      L"<Control name=\"c\"/></VerticalLayout></Window>",
      { { L"a", { 0, 0, 120, 35 } }, { L"b", { 0, 40, 120, 60 } }, { L"c", { 0, 65, 120, 90 } } } },
    { "vertical with inset, padding, width and limits", 200, 200,
      L"<Window><VerticalLayout inset=\"10,20,10,20\"><Control name=\"a\" height=\"30\" width=\"50\" "
      L"padding=\"5,3,0,7\"/><Control name=\"b\" maxheight=\"40\"/><Control name=\"c\" minheight=\"90\"/>"
      L"</VerticalLayout></Window>",
      { { L"a", { 15, 23, 65, 53 } }, { L"b", { 10, 60, 190, 100 } }, { L"c", { 10, 100, 190, 190 } } } },
    // The fill is short by the paddings of the fixed children before it, as
    // the vertical fill above is by the child padding.
    { "horizontal with padding and a fill", 200, 60,
      L"<Window><HorizontalLayout><Control name=\"a\" width=\"50\" padding=\"5,5,5,5\"/><Control name=\"b\"/>"
      L"<Control name=\"c\" width=\"40\" height=\"20\"/></HorizontalLayout></Window>",
      { { L"a", { 5, 5, 55, 55 } }, { L"b", { 60, 0, 150, 60 } }, { L"c", { 150, 0, 190, 20 } } } },
    { "three tile columns of 116", 350, 200,
      L"<Window><TileLayout itemsize=\"100,0\"><Control name=\"t0\" height=\"40\"/><Control name=\"t1\" "
      L"height=\"40\"/><Control name=\"t2\" height=\"30\" width=\"50\"/><Control name=\"t3\" height=\"40\"/>"
      L"</TileLayout></Window>",
      { { L"t0", { 0, 0, 116, 40 } }, { L"t1", { 116, 0, 232, 40 } }, { L"t2", { 265, 5, 315, 35 } },
        { L"t3", { 0, 40, 116, 80 } } } },
    { "tab layout places only the selected page", 200, 100,
      L"<Window><TabLayout selectedid=\"1\" inset=\"5,5,5,5\"><Control name=\"p0\"/><Control name=\"p1\" "
      L"padding=\"1,2,3,4\"/></TabLayout></Window>",
      { { L"p1", { 6, 7, 192, 91 } } } },
};

// Test names in CTest come from the case names, not the bytes.
void PrintTo(const LayoutCase& c, std::ostream* os)
{
    *os << c.name;
}

class LayoutTest : public testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutTest, Places)
{
    const LayoutCase& c = GetParam();
    HostWindow window(c.width, c.height);
    ASSERT_NE(window.Build(c.xml), nullptr);
    for (const Placed& p : c.expected) {
        CControlUI* control = window.Find(p.name);
        ASSERT_NE(control, nullptr) << p.name;
        const RECT& rc = control->GetPos();
        EXPECT_TRUE(::EqualRect(&rc, &p.rect)) << "name " << static_cast<char>(p.name[0])
                                                << static_cast<char>(p.name[1]) << " at " << rc.left << ","
                                                << rc.top << "," << rc.right << "," << rc.bottom;
    }
}

INSTANTIATE_TEST_SUITE_P(Skins, LayoutTest, testing::ValuesIn(kLayoutCases),
                         [](const testing::TestParamInfo<LayoutCase>& info) {
                             return "case" + std::to_string(info.index);
                         });

TEST(Containers, FloatingChildFollowsTheResizedParent)
{
    HostWindow window(200, 100);
    ASSERT_NE(window.Build(L"<Window><Container><Control name=\"f\" float=\"true\" pos=\"10,10,0,0\"/>"
                           L"<Control name=\"g\" float=\"true\" pos=\"-50,10,-10,30\"/></Container></Window>"),
              nullptr);
    window.Resize(300, 150);
    window.Repaint();
    const RECT stretched = {10, 10, 300, 150};
    const RECT kept = {250, 10, 290, 30};
    EXPECT_TRUE(::EqualRect(&window.Find(L"f")->GetPos(), &stretched));
    EXPECT_TRUE(::EqualRect(&window.Find(L"g")->GetPos(), &kept));
}

TEST(Containers, VerticalBarAppearsOnOverflowAndScrolls)
{
    HostWindow window(200, 100);
    auto* list = static_cast<CContainerUI*>(window.Build(
        L"<Window><Default name=\"VScrollBar\" value=\"width=&quot;12&quot; bkcolor=&quot;#FFE0E0E0&quot; "
        L"thumbcolor=&quot;#FF102030&quot;\"/><VerticalLayout vscrollbar=\"true\"><Control name=\"a\" height=\"40\"/>"
        L"<Control name=\"b\" height=\"40\"/></VerticalLayout></Window>"));
    ASSERT_NE(list, nullptr);
    CScrollBarUI* bar = list->GetVerticalScrollBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_FALSE(bar->IsVisible());
    EXPECT_EQ(window.Find(L"a")->GetWidth(), 200);

    // A third child overflows by 20: the bar shows and the children are laid
    // out again at the narrower width.
    CControlUI* c = new CControlUI;
    c->SetName(L"c");
    c->SetFixedHeight(40);
    list->Add(c);
    window.Repaint();
    ASSERT_TRUE(bar->IsVisible());
    EXPECT_EQ(bar->GetScrollRange(), 20);
    EXPECT_EQ(bar->GetPos().left, 188);
    for (const wchar_t* name : { L"a", L"b", L"c" }) EXPECT_EQ(window.Find(name)->GetWidth(), 188);
    {
        // The thumb covers the visible share of the track from the top.
        const Pixels pixels(window.hwnd);
        EXPECT_EQ(pixels.At(194, 5), 0x102030u);
        EXPECT_EQ(pixels.At(194, 80), 0x102030u);
        EXPECT_EQ(pixels.At(194, 95), 0xE0E0E0u);
    }

    // A click on the track below the thumb pages down; the content moves.
    const RECT thumb = bar->GetThumbRect();
    ASSERT_LT(thumb.bottom, 100);
    window.Mouse(WM_LBUTTONDOWN, 194, 98, MK_LBUTTON);
    window.Mouse(WM_LBUTTONUP, 194, 98);
    EXPECT_EQ(bar->GetScrollPos(), 20);
    EXPECT_EQ(window.Find(L"a")->GetPos().top, -20);

    // Dragging the thumb back to the top scrolls back.
    const RECT moved = bar->GetThumbRect();
    window.Mouse(WM_LBUTTONDOWN, 194, moved.top + 2, MK_LBUTTON);
    window.Mouse(WM_MOUSEMOVE, 194, moved.top - 40, MK_LBUTTON);
    window.Mouse(WM_LBUTTONUP, 194, moved.top - 40);
    EXPECT_EQ(bar->GetScrollPos(), 0);
    EXPECT_EQ(window.Find(L"a")->GetPos().top, 0);

    // The wheel over a child scrolls its container a line down.
    POINT screen = { 50, 50 };
    ::ClientToScreen(window.hwnd, &screen);
    ::PostMessageW(window.hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)),
                   MAKELPARAM(screen.x, screen.y));
    PumpUiMessages();
    EXPECT_GT(bar->GetScrollPos(), 0);
    list->EndDown();
    EXPECT_EQ(window.Find(L"c")->GetPos().bottom, 100);
    list->HomeUp();
    EXPECT_EQ(bar->GetScrollPos(), 0);

    // Content that fits again hides the bar and takes the whole width.
    list->Remove(c);
    window.Repaint();
    EXPECT_FALSE(bar->IsVisible());
    EXPECT_EQ(window.Find(L"a")->GetWidth(), 200);
}

TEST(Containers, TabPagesAndChildren)
{
    HostWindow window(200, 100);
    auto* tab = static_cast<CTabLayoutUI*>(window.Build(
        L"<Window><TabLayout><Control name=\"p0\"/><Control name=\"p1\"/><Control name=\"p2\"/></TabLayout>"
        L"</Window>"));
    ASSERT_NE(tab, nullptr);
    EXPECT_EQ(tab->GetCurSel(), 0);
    EXPECT_FALSE(tab->SelectItem(3));
    ASSERT_TRUE(tab->SelectItem(2));
    window.Repaint();
    EXPECT_TRUE(window.Find(L"p2")->IsVisible());
    EXPECT_FALSE(window.Find(L"p0")->IsVisible());

    // Removing the selected page selects page 0.
    ASSERT_TRUE(tab->Remove(window.Find(L"p2")));
    EXPECT_EQ(tab->GetCurSel(), 0);
    EXPECT_TRUE(tab->GetItemAt(0)->IsVisible());
    // Removing a page before the selection keeps the selected page.
    ASSERT_TRUE(tab->SelectItem(1));
    ASSERT_TRUE(tab->RemoveAt(0));
    EXPECT_EQ(tab->GetCurSel(), 0);
    EXPECT_EQ(tab->GetItemAt(0)->GetName(), CUIString(L"p1"));
    // A page added before the selection moves the selection on.
    CControlUI* front = new CControlUI;
    ASSERT_TRUE(tab->AddAt(front, 0));
    EXPECT_EQ(tab->GetCurSel(), 1);
    EXPECT_FALSE(front->IsVisible());
    tab->RemoveAll();
    EXPECT_EQ(tab->GetCurSel(), -1);

    // The child-list operations and their bounds.
    CContainerUI box;
    CControlUI* x = new CControlUI;
    CControlUI* y = new CControlUI;
    EXPECT_FALSE(box.Add(nullptr));
    EXPECT_TRUE(box.Add(x));
    EXPECT_TRUE(box.AddAt(y, 0));
    CControlUI* outside = new CControlUI;
    EXPECT_FALSE(box.AddAt(outside, 5));
    delete outside;
    EXPECT_EQ(box.GetItemIndex(y), 0);
    EXPECT_FALSE(box.SetItemIndex(y, 2));
    EXPECT_TRUE(box.SetItemIndex(y, 1));
    EXPECT_EQ(box.GetItemAt(1), y);
    EXPECT_EQ(box.GetItemAt(2), nullptr);
    EXPECT_EQ(box.GetItemAt(-1), nullptr);
    EXPECT_FALSE(box.RemoveAt(7));
    box.SetVisible(false);
    EXPECT_FALSE(x->IsVisible());
    box.SetVisible(true);
    EXPECT_TRUE(x->IsVisible());
}

// The left button as GetKeyState reports it: posted clicks do not set it.
void SetLeftButton(bool down)
{
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_LBUTTON] = down ? 0x80 : 0;
    ::SetKeyboardState(keys);
}

// Searching with every flag, relative positions and mouse following.
TEST(Containers, FindFlagsRelativePositionsAndFollowing)
{
    HostWindow window(200, 100);
    auto* root = static_cast<CContainerUI*>(window.Build(
        L"<Window><Container name=\"root\" inset=\"10,10,10,10\"><Control name=\"under\"/>"
        L"<Control name=\"over\" float=\"true\" pos=\"0,0,50,50\"/>"
        L"<Container name=\"moving\" float=\"true\" pos=\"100,20,140,60\" mousefollow=\"true\" "
        L"relativepos=\"50,0,50,100\"/></Container></Window>"));
    ASSERT_NE(root, nullptr);
    auto hit = [&](int x, int y, UINT flags) -> std::wstring {
        POINT pt = { x, y };
        CControlUI* found = root->FindControl(
            [](CControlUI* control, LPVOID) -> CControlUI* { return control; }, &pt,
            UIFIND_VISIBLE | UIFIND_HITTEST | flags);
        return found != nullptr ? found->GetName().GetData() : L"-";
    };
    const struct {
        int x;
        int y;
        UINT flags;
        const wchar_t* expected;
    } cases[] = {
        { 30, 30, 0, L"under" },                // first child first
        { 30, 30, UIFIND_TOP_FIRST, L"over" },  // the last one on top
        { 30, 30, UIFIND_ME_FIRST, L"root" },   // the container before its children
        { 5, 5, 0, L"over" },                   // a floating child counts outside the inset
        { 195, 5, 0, L"root" },                 // only the container in the inset
        { 120, 40, UIFIND_TOP_FIRST, L"moving" },
        { 250, 40, 0, L"-" },
    };
    for (const auto& c : cases) EXPECT_EQ(hit(c.x, c.y, c.flags), c.expected) << c.x << "," << c.y;
    root->SetMouseChildEnabled(false);
    EXPECT_EQ(hit(30, 30, UIFIND_TOP_FIRST), L"root");
    root->SetMouseChildEnabled(true);

    // Relative placement: half the growth moves it, all of the height grows.
    CControlUI* moving = window.Find(L"moving");
    window.Resize(300, 150);
    RECT rc = moving->GetPos();
    EXPECT_EQ(rc.left, 150);
    EXPECT_EQ(rc.right, 240);
    EXPECT_EQ(rc.bottom - rc.top, 90);

    // Dragged with the mouse, and held inside the parent.
    moving->SetAttribute(L"relativepos", L"0,0,0,0");
    const RECT before = moving->GetPos();
    SetLeftButton(true);
    window.Mouse(WM_LBUTTONDOWN, before.left + 5, before.top + 5, MK_LBUTTON);
    window.Mouse(WM_MOUSEMOVE, before.left + 25, before.top + 15, MK_LBUTTON);
    EXPECT_EQ(moving->GetPos().left, before.left + 20);
    EXPECT_EQ(moving->GetPos().top, before.top + 10);
    window.Mouse(WM_MOUSEMOVE, before.left + 900, before.top - 900, MK_LBUTTON);
    EXPECT_EQ(moving->GetPos().right, 300);
    EXPECT_EQ(moving->GetPos().top, 0);
    window.Mouse(WM_LBUTTONUP, 0, 0);
    window.Mouse(WM_MOUSEMOVE, 10, 10, MK_LBUTTON);
    EXPECT_EQ(moving->GetPos().right, 300);
    SetLeftButton(false);
}

// Each resize moves and grows a relative child by its share of that resize,
// from where the last one left it; a layout at the same size keeps it.
TEST(Containers, RelativeChildFollowsEveryResizeAndStaysOnRelayout)
{
    HostWindow window(200, 100);
    CControlUI* root = window.Build(
        L"<Window><Container><Control name=\"rel\" float=\"true\" pos=\"10,10,50,50\" "
        L"relativepos=\"50,50,25,25\"/></Container></Window>");
    ASSERT_NE(root, nullptr);
    CControlUI* rel = window.Find(L"rel");
    const struct {
        int width;
        int height;
        RECT expected;
    } steps[] = {
        { 260, 130, { 40, 25, 95, 72 } },  // +60,+30: moved 30,15, grown 15,7
        { 230, 170, { 25, 45, 73, 102 } }, // -30,+40: moved -15,20, grown -7,10
        { 301, 121, { 60, 21, 125, 66 } }, // +71,-49: moved 35,-24, grown 17,-12
    };
    for (const auto& step : steps) {
        window.Resize(step.width, step.height);
        ASSERT_EQ(root->GetPos().right, step.width);
        const RECT rc = rel->GetPos();
        EXPECT_TRUE(::EqualRect(&rc, &step.expected))
            << step.width << "x" << step.height << ": " << rc.left << "," << rc.top << "," << rc.right << "," << rc.bottom;
    }
    for (int pass = 0; pass < 2; pass++) {
        root->NeedUpdate();
        window.Repaint();
        EXPECT_TRUE(::EqualRect(&rel->GetPos(), &steps[2].expected)) << "layout " << pass;
    }
}

struct SeparatorCase {
    const char* name;
    const wchar_t* xml;
    bool vertical;
    int grab;
    std::vector<int> moves;
    std::vector<int> sizes;
    // The band is the first 4 pixels of "top", which ends at the window's
    // far edge (300).
    bool leading = false;
};

// The separator band is the last 4 pixels of "top" (100 high or wide,
// limits 60 and 150); each move is followed by the size after release.
const SeparatorCase kSeparatorCases[] = {
    { "vertical", L"<Window><VerticalLayout><VerticalLayout name=\"top\" height=\"100\" sepheight=\"4\" "
                  L"minheight=\"60\" maxheight=\"150\"><Control/></VerticalLayout><Control/></VerticalLayout></Window>",
      true, 98, { 30, -200, 300 }, { 130, 60, 150 } },
    { "horizontal immediate", L"<Window><HorizontalLayout><HorizontalLayout name=\"top\" width=\"100\" sepwidth=\"4\" "
                              L"sepimm=\"true\" minwidth=\"60\" maxwidth=\"150\"><Control/></HorizontalLayout><Control/>"
                              L"</HorizontalLayout></Window>",
      false, 98, { 30, -200, 300 }, { 130, 60, 150 } },
    { "vertical leading", L"<Window><VerticalLayout><Control/><VerticalLayout name=\"top\" height=\"100\" "
                          L"sepheight=\"-4\" minheight=\"60\" maxheight=\"150\"><Control/></VerticalLayout>"
                          L"</VerticalLayout></Window>",
      true, 201, { -30, 200, -300 }, { 130, 60, 150 }, true },
    { "horizontal leading", L"<Window><HorizontalLayout><Control/><HorizontalLayout name=\"top\" width=\"100\" "
                            L"sepwidth=\"-4\" minwidth=\"60\" maxwidth=\"150\"><Control/></HorizontalLayout>"
                            L"</HorizontalLayout></Window>",
      false, 201, { -30, 200, -300 }, { 130, 60, 150 }, true },
};

TEST(Containers, SeparatorDragsWithinMinAndMax)
{
    for (const SeparatorCase& c : kSeparatorCases) {
        SCOPED_TRACE(c.name);
        HostWindow window(300, 300);
        ASSERT_NE(window.Build(c.xml), nullptr);
        CControlUI* top = window.Find(L"top");
        ASSERT_NE(top, nullptr);
        int edge = c.grab;
        for (size_t i = 0; i < c.moves.size(); i++) {
            auto at = [&](int along) { return c.vertical ? std::pair<int, int>(50, along) : std::pair<int, int>(along, 50); };
            auto [x0, y0] = at(edge);
            window.Mouse(WM_LBUTTONDOWN, x0, y0, MK_LBUTTON);
            auto [x1, y1] = at(edge + c.moves[i]);
            window.Mouse(WM_MOUSEMOVE, x1, y1, MK_LBUTTON);
            window.Mouse(WM_LBUTTONUP, x1, y1);
            window.Repaint();
            const int size = c.vertical ? top->GetHeight() : top->GetWidth();
            EXPECT_EQ(size, c.sizes[i]) << "move " << i;
            edge = c.leading ? 300 - size + 1 : size - 2;
        }
    }
}

TEST(Containers, ArchiveSkinPaintsEachControlInPlace)
{
    HostWindow window(300, 200);
    ASSERT_NE(window.Build(L"pixels.xml"), nullptr);
    const Pixels pixels(window.hwnd);
    const struct {
        int x;
        int y;
        DWORD rgb;
    } expected[] = {
        { 2, 2, 0xFFFFFF },    { 50, 30, 0xFF0000 },  { 150, 30, 0x808080 }, { 240, 30, 0x0000FF },
        { 290, 50, 0x0000FF }, { 255, 25, 0x00FF00 }, { 50, 85, 0x112233 },  { 150, 85, 0x445566 },
        { 250, 85, 0x778899 }, { 50, 120, 0xAABBCC }, { 150, 120, 0xFFFFFF }, { 150, 60, 0xFFFFFF },
    };
    for (const auto& e : expected) {
        EXPECT_EQ(pixels.At(e.x, e.y), e.rgb) << e.x << "," << e.y << std::hex << " got " << pixels.At(e.x, e.y);
    }
}

} // namespace
