// The tray menu of the running Updater: where it opens, how it goes away,
// and how its items are drawn.
#include "tests/app_updater/UpdaterTestSupport.h"

#include "tests/support/TestSupport.h"

namespace {

// Colours of the shipped skin: the hot item's fill and its lines, the item
// backgrounds by index, and the icon gutter of the frame image.
constexpr DWORD kHotFill = 0xE8F0FD;
constexpr DWORD kHotLine = 0xCFDEF8;
constexpr DWORD kEvenItem = 0xFAFAFA;
constexpr DWORD kOddItem = 0xFFFFFF;
constexpr DWORD kGutter = 0xF3F5F9;

class UpdaterMenuTest : public UpdaterTest {
protected:
    void StartHanging()
    {
        process_ = Start(CheckArguments(Serve("slow", 1)));
        window_ = process_->Window();
        ASSERT_NE(nullptr, window_);
        ASSERT_TRUE(WaitUntilRunning(window_));
    }

    void TearDown() override
    {
        if (window_ != nullptr)
            PostMessageW(window_, WM_CLOSE, 0, 0);
        DWORD code = 1;
        if (process_) {
            EXPECT_TRUE(process_->WaitForEnd(10000, code));
        }
        UpdaterTest::TearDown();
    }

    bool MenuGone(HWND menu) const
    {
        return WaitFor([&] { return !IsWindow(menu); }, 3000);
    }

    std::unique_ptr<UpdaterProcess> process_;
    HWND window_ = nullptr;
};

TEST_F(UpdaterMenuTest, OpensAtTheCursorOrAboveAndLeftOfItInsideTheWorkArea)
{
    ASSERT_NO_FATAL_FAILURE(StartHanging());
    const RECT work = WorkArea();
    const struct {
        POINT cursor;
        RECT expected;
    } cases[] = {
        {{work.left + 100, work.top + 120},
         {work.left + 100, work.top + 120, work.left + 100 + kMenuWidth, work.top + 120 + kMenuHeight}},
        {{work.right - 3, work.bottom - 3},
         {work.right - kMenuWidth, work.bottom - kMenuHeight, work.right, work.bottom}},
        {{work.right - 3, work.top + 50},
         {work.right - kMenuWidth, work.top + 50, work.right, work.top + 50 + kMenuHeight}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.cursor.x) + "," + std::to_string(c.cursor.y));
        HWND menu = OpenMenu(*process_, window_, c.cursor);
        ASSERT_NE(nullptr, menu);
        const RECT at = WindowRect(menu);
        EXPECT_TRUE(EqualRect(&at, &c.expected)) << at.left << "," << at.top << "," << at.right << "," << at.bottom;
        // The wheel is swallowed; Escape closes.
        PostMessageW(menu, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(at.left + 20, at.top + 20));
        Sleep(100);
        EXPECT_TRUE(IsWindow(menu));
        PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 1);
        EXPECT_TRUE(MenuGone(menu));
    }
}

TEST_F(UpdaterMenuTest, MenuTallerThanTheWorkAreaOpensAtTheTop)
{
    ASSERT_TRUE(CopyFileA(FixturePath("skin-tallmenu\\skin\\update.zip").c_str(), Installed("skin\\update.zip").c_str(),
                          FALSE));
    ASSERT_NO_FATAL_FAILURE(StartHanging());
    const RECT work = WorkArea();
    HWND menu = OpenMenu(*process_, window_, {work.left + 200, work.top + 300});
    ASSERT_NE(nullptr, menu);
    const RECT at = WindowRect(menu);
    EXPECT_EQ(work.top, at.top);
    EXPECT_EQ(2000, at.bottom - at.top);
    EXPECT_EQ(work.left + 200, at.left);
}

TEST_F(UpdaterMenuTest, ClickOnTheShadowKeepsItAndAClickElsewhereClosesIt)
{
    ASSERT_NO_FATAL_FAILURE(StartHanging());
    // Something of the test's own to click on, away from the menu.
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"MenuTestTarget";
    RegisterClassW(&wc);
    HWND target = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 20, 20, 120, 120, nullptr, nullptr,
                                  wc.hInstance, nullptr);
    ASSERT_NE(nullptr, target);

    HWND menu = OpenMenu(*process_, window_, {400, 300});
    ASSERT_NE(nullptr, menu);
    ASSERT_NE(nullptr, process_->FindWindowOf(L"UIShadow"));
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == menu; }, 3000)) << "the menu opened in the back";
    Sleep(300);
    const RECT at = WindowRect(menu);
    // The shadow's ring, outside the menu's rounded region.
    ClickScreen({at.left + 1, (at.top + at.bottom) / 2});
    Sleep(500);
    EXPECT_TRUE(IsWindow(menu)) << "a click on the shadow closed the menu";

    ClickScreen({70, 70});
    EXPECT_TRUE(MenuGone(menu)) << "a click elsewhere left the menu open";
    EXPECT_TRUE(process_->Running());
    DestroyWindow(target);
}

TEST_F(UpdaterMenuTest, HotItemFillsEdgeToEdgeOthersLeaveTheIconStrip)
{
    ASSERT_NO_FATAL_FAILURE(StartHanging());
    HWND menu = OpenMenu(*process_, window_, {300, 200});
    ASSERT_NE(nullptr, menu);
    const RECT at = WindowRect(menu);
    for (int hot = 0; hot < 2; ++hot) {
        SCOPED_TRACE(hot);
        const POINT center = MenuItemCenter(hot);
        HoverScreen(menu, {at.left + center.x, at.top + center.y});
        Sleep(400);
        const ScreenPixels pixels(at);
        for (int index = 0; index < 2; ++index) {
            SCOPED_TRACE(index);
            const RECT& item = kMenuItems[index];
            // A row above the icon and the text: strip, and the far right.
            const int y = item.top + 3;
            const DWORD strip = pixels.At(item.left + 2, y);
            const DWORD right = pixels.At(item.right - 3, y);
            if (index == hot) {
                EXPECT_EQ(kHotFill, strip);
                EXPECT_EQ(kHotFill, right);
                EXPECT_EQ(kHotLine, pixels.At(item.right - 3, item.top));
                EXPECT_EQ(kHotLine, pixels.At(item.right - 3, item.bottom - 1));
            } else {
                EXPECT_EQ(kGutter, strip);
                EXPECT_EQ(kGutter, pixels.At(item.left + 24, y));
                EXPECT_EQ(index % 2 == 0 ? kEvenItem : kOddItem, pixels.At(item.left + 25, y));
                EXPECT_EQ(index % 2 == 0 ? kEvenItem : kOddItem, right);
            }
        }
    }
}

}  // namespace
