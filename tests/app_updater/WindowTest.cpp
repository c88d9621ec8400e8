// The update window of the running Updater: status messages, the tray
// icon's clicks, the menu's show and exit items, the close button, close
// requests during installation, and keys.
#include "tests/app_updater/UpdaterTestSupport.h"

#include "base/PathUtil.h"
#include "base/ScopedGdi.h"
#include "tests/support/TestSupport.h"

#include <algorithm>

namespace {

constexpr DWORD kWhite = 0xFFFFFF;

class UpdaterWindowTest : public UpdaterTest {
protected:
    // A check run whose download hangs (a byte a second): the window is
    // there for as long as the test needs it.
    void StartHanging(const std::string& version = "2.0")
    {
        std::string arguments = CheckArguments(Serve("slow", 1));
        arguments.replace(arguments.find("2.0"), 3, version);
        process_ = Start(arguments);
        window_ = process_->Window();
        ASSERT_NE(nullptr, window_);
        ASSERT_TRUE(WaitUntilRunning(window_));
    }

    void ShowFromTray()
    {
        PostMessageW(window_, kTrayNotify, kTrayIconId, WM_LBUTTONUP);
        ASSERT_TRUE(WaitFor(
            [&] {
                const RECT rect = Rect();
                return IsWindowVisible(window_) && !IsRectEmpty(&rect);
            },
            10000));
        // Laid out with its first paint, as any window a user sees.
        UpdateWindow(window_);
    }

    RECT Rect() const
    {
        rect_ = WindowRect(window_);
        return rect_;
    }

    RECT CentredRect() const
    {
        const RECT work = WorkArea();
        const int left = (work.left + work.right) / 2 - kWindowWidth / 2;
        const int top = (work.top + work.bottom) / 2 - kWindowHeight / 2;
        return {left, top, left + kWindowWidth, top + kWindowHeight};
    }

    bool Ended(DWORD milliseconds = 10000) const
    {
        DWORD code = 1;
        return process_->WaitForEnd(milliseconds, code) && code == 0;
    }

    std::unique_ptr<UpdaterProcess> process_;
    HWND window_ = nullptr;
    mutable RECT rect_ = {};
};

bool SameRect(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

std::string Describe(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// Pixels of a rectangle of the screen, cropped to what differs from white.
struct Ink {
    int width = 0;
    int height = 0;
    std::vector<DWORD> rgb;
};

Ink CropInk(const ScreenPixels& pixels)
{
    Ink ink;
    const RECT bounds = pixels.InkBounds(kWhite);
    ink.width = bounds.right - bounds.left;
    ink.height = bounds.bottom - bounds.top;
    for (int y = bounds.top; y < bounds.bottom; ++y)
        for (int x = bounds.left; x < bounds.right; ++x)
            ink.rgb.push_back(pixels.At(x, y));
    return ink;
}

// The status text as GDI draws it in the status line's font (the skin's
// default: Microsoft YaHei at 12 pixels, over the system font's other
// values, as the framework makes it) and colour on white.
Ink ReferenceInk(const std::wstring& text)
{
    const int width = kStatusLine.right - kStatusLine.left;
    const int height = kStatusLine.bottom - kStatusLine.top;
    ScopedWindowDC screen(nullptr);
    ScopedCreatedDC memory(CreateCompatibleDC(screen.Get()));
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    ScopedBitmap section(CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    LOGFONTW lf = {};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    lstrcpynW(lf.lfFaceName, L"Microsoft YaHei", LF_FACESIZE);
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfHeight = -12;
    ScopedFont font(CreateFontIndirectW(&lf));
    {
        ScopedSelectObject selectBitmap(memory.Get(), section.Get());
        ScopedSelectObject selectFont(memory.Get(), font.Get());
        RECT all = {0, 0, width, height};
        FillRect(memory.Get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SetBkMode(memory.Get(), TRANSPARENT);
        SetTextColor(memory.Get(), RGB(0x5A, 0x62, 0x70));
        DrawTextW(memory.Get(), text.c_str(), -1, &all, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        GdiFlush();
    }
    Ink ink;
    const DWORD* pixels = static_cast<const DWORD*>(bits);
    RECT bounds = {width, height, 0, 0};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if ((pixels[y * width + x] & 0xFFFFFF) != kWhite) {
                bounds.left = std::min<LONG>(bounds.left, x);
                bounds.top = std::min<LONG>(bounds.top, y);
                bounds.right = std::max<LONG>(bounds.right, x + 1);
                bounds.bottom = std::max<LONG>(bounds.bottom, y + 1);
            }
    ink.width = std::max<LONG>(0, bounds.right - bounds.left);
    ink.height = std::max<LONG>(0, bounds.bottom - bounds.top);
    for (int y = bounds.top; y < bounds.bottom; ++y)
        for (int x = bounds.left; x < bounds.right; ++x)
            ink.rgb.push_back(pixels[y * width + x] & 0xFFFFFF);
    return ink;
}

// Share of equal pixels of two crops of the same size; 0 for other sizes.
double Likeness(const Ink& a, const Ink& b)
{
    if (a.width != b.width || a.height != b.height || a.rgb.empty())
        return 0;
    size_t same = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i)
        same += a.rgb[i] == b.rgb[i];
    return static_cast<double>(same) / a.rgb.size();
}

// The progress bar's filled share, along its middle row (the fill is the
// skin's blue, the track a light grey).
double BarFill(const ScreenPixels& window)
{
    const int y = (kProgressBar.top + kProgressBar.bottom) / 2;
    int filled = 0;
    for (int x = kProgressBar.left; x < kProgressBar.right; ++x) {
        const DWORD c = window.At(x, y);
        filled += (c & 0xFF) > ((c >> 16) & 0xFF) + 60;
    }
    return static_cast<double>(filled) / (kProgressBar.right - kProgressBar.left);
}

TEST_F(UpdaterWindowTest, StatusMessagesSetTheTextAndMoveTheBarOnlyWithin0To100)
{
    ASSERT_NO_FATAL_FAILURE(StartHanging());
    ASSERT_NO_FATAL_FAILURE(ShowFromTray());
    // The flow's own "准备下载..." has come and gone.
    Sleep(1500);
    const struct {
        const char* text;  // GBK, as the flows post it
        const wchar_t* shown;
        int percent;
        double bar;
    } steps[] = {
        {"正在下载: 40%", L"正在下载: 40%", 40, 0.40},   {"正在初始化更新...", L"正在初始化更新...", -1, 0.40},
        {"准备下载...", L"准备下载...", 0, 0.0},         {"正在下载: 100%", L"正在下载: 100%", 100, 1.0},
        {"正在更新: 101%", L"正在更新: 101%", 101, 1.0},
    };
    Ink previous;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.percent);
        ASSERT_TRUE(PostStatusText(*process_, window_, step.text, step.percent));
        Sleep(400);
        const RECT at = Rect();
        const ScreenPixels window({at.left, at.top, at.right, at.bottom});
        EXPECT_NEAR(step.bar, BarFill(window), 0.02);

        const ScreenPixels line({at.left + kStatusLine.left, at.top + kStatusLine.top, at.left + kStatusLine.right,
                                 at.top + kStatusLine.bottom});
        const Ink shown = CropInk(line);
        EXPECT_GT(Likeness(shown, ReferenceInk(step.shown)), 0.97) << "the status line does not show the text";
        EXPECT_LT(Likeness(shown, previous), 0.9) << "the status line still shows the text before";
        previous = shown;
    }
    EXPECT_TRUE(process_->Running());
    PostMessageW(window_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(Ended());
}

TEST_F(UpdaterWindowTest, TrayClicksShowTheWindowCentredAtItsSizeInFront)
{
    // A balloon text far longer than its field (cut, not written past).
    std::string version = "2.0-";
    for (int i = 0; i < 200; ++i)
        version += "版";
    ASSERT_NO_FATAL_FAILURE(StartHanging(version));
    ASSERT_NO_FATAL_FAILURE(ShowFromTray());
    EXPECT_TRUE(SameRect(CentredRect(), Rect())) << Describe(rect_);
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == window_; }, 5000));

    // Later clicks show it where it is and bring it to the front.
    SetWindowPos(window_, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(window_, SW_HIDE);
    ASSERT_NO_FATAL_FAILURE(ShowFromTray());
    EXPECT_TRUE(SameRect(RECT{10, 20, 10 + kWindowWidth, 20 + kWindowHeight}, Rect())) << Describe(rect_);
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == window_; }, 5000));
    PostMessageW(window_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(Ended());
}

TEST_F(UpdaterWindowTest, ShowItemActsAsTheFirstClickThenOnlyShows)
{
    ASSERT_NO_FATAL_FAILURE(StartHanging());
    const RECT work = WorkArea();
    const POINT cursor = {(work.left + work.right) / 2, (work.top + work.bottom) / 2};
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        HWND menu = OpenMenu(*process_, window_, cursor);
        ASSERT_NE(nullptr, menu);
        const POINT item = MenuItemCenter(0);
        PostClick(menu, item.x, item.y);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(menu); }, 5000)) << "the menu stays after a choice";
        ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(window_) != FALSE; }, 5000));
        Sleep(200);
        if (round == 0) {
            EXPECT_TRUE(SameRect(CentredRect(), Rect())) << Describe(rect_);
            SetWindowPos(window_, nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            ShowWindow(window_, SW_HIDE);
        } else {
            EXPECT_TRUE(SameRect(RECT{30, 40, 30 + kWindowWidth, 40 + kWindowHeight}, Rect())) << Describe(rect_);
        }
    }
    PostMessageW(window_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(Ended());
}

TEST_F(UpdaterWindowTest, ExitItemCloseButtonAndSystemCloseEndADownloadingRun)
{
    enum Way { kByExitItem, kByCloseButton, kBySystemClose };
    for (Way way : {kByExitItem, kByCloseButton, kBySystemClose}) {
        SCOPED_TRACE(way);
        ASSERT_NO_FATAL_FAILURE(StartHanging());
        if (way == kByExitItem) {
            HWND menu = OpenMenu(*process_, window_, {200, 200});
            ASSERT_NE(nullptr, menu);
            const POINT item = MenuItemCenter(1);
            PostClick(menu, item.x, item.y);
        } else if (way == kByCloseButton) {
            ASSERT_NO_FATAL_FAILURE(ShowFromTray());
            PostClick(window_, (kCloseButton.left + kCloseButton.right) / 2,
                      (kCloseButton.top + kCloseButton.bottom) / 2);
        } else {
            PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        EXPECT_TRUE(Ended());
        EXPECT_FALSE(TrayIconPresent(window_));
        // Nothing was recorded: the download never finished.
        EXPECT_FALSE(FileExists(UserData() + "\\tavrin.ini"));
        // The process waited for the worker: it stopped the download, took
        // its partial file away and wrote its last line.
        const std::vector<std::string> log = LogMessages();
        ASSERT_FALSE(log.empty());
        EXPECT_EQ("download stopped: the run is ending.", log.back());
        WIN32_FIND_DATAA found = {};
        const ScopedFind partial(FindFirstFileA((UserData() + "\\update\\dl*.tmp").c_str(), &found));
        EXPECT_FALSE(partial.Valid()) << found.cFileName;
        DeleteFileA((UserData() + "\\update.log").c_str());
    }
}

std::string LastListedFile(const std::string& manifest)
{
    const size_t end = manifest.rfind("</file>");
    const size_t start = manifest.rfind('>', end) + 1;
    return manifest.substr(start, end - start);
}

TEST_F(UpdaterWindowTest, CloseRequestsDuringInstallationAreDropped)
{
    const std::string uri = Serve("many");
    const std::string last = LastListedFile(ReadFixture("many\\configure.xml"));
    process_ = Start(CheckArguments(uri) + " --force 1");
    window_ = process_->Window();
    ASSERT_NE(nullptr, window_);
    ASSERT_TRUE(WaitFor([&] { return FileExists(Installed("data\\f000.bin")) || !process_->Running(); }, 60000));
    // Requests at a user's pace (a flood would keep the queue from ever
    // running empty, and so the quit message from ever coming), for as long
    // as files are being copied.
    int refusedWhileInstalling = 0;
    while (process_->Running() && !FileExists(Installed(last))) {
        PostMessageW(window_, WM_CLOSE, 0, 0);
        PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
        Sleep(10);
        refusedWhileInstalling += !FileExists(Installed(last)) && process_->Running();
    }
    EXPECT_GT(refusedWhileInstalling, 0) << "the installation was over before a request came";
    EXPECT_TRUE(Ended(30000));
    for (int i = 0; i < 400; ++i) {
        char name[32];
        snprintf(name, sizeof(name), "data\\f%03d.bin", i);
        EXPECT_EQ(16 * 1024u, ReadFileBytes(Installed(name)).size()) << name;
    }
}

TEST_F(UpdaterWindowTest, EscapeAndReturnDoNothing)
{
    ASSERT_NO_FATAL_FAILURE(StartHanging());
    ASSERT_NO_FATAL_FAILURE(ShowFromTray());
    for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
        PostMessageW(window_, WM_KEYDOWN, key, 1);
        PostMessageW(window_, WM_KEYUP, key, 0xC0000001);
    }
    DWORD code = 1;
    EXPECT_FALSE(process_->WaitForEnd(3000, code)) << "the run ended";
    EXPECT_TRUE(IsWindowVisible(window_));
    EXPECT_TRUE(WaitFor([&] { return TrayIconPresent(window_); }, 3000));
    PostMessageW(window_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(Ended());
}

}  // namespace
