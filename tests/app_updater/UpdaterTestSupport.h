// The Updater's black-box tests: a copy of the real CorvaneUpdater.exe with
// its skin in the test's own install folder beside a running stand-in
// product, runs against the loopback HTTP server, and the means to talk to
// the running program as the platform and a user do: posted messages, the
// tray, the mouse, and pixels read back from the screen.
#pragma once

#include "base/ScopedHandles.h"
#include "tests/support/ProcessProbe.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

// The window messages of the Updater, as it defines them.
constexpr UINT kTrayNotify = WM_USER + 101;
constexpr UINT kUpdateStatus = WM_USER + 120;
constexpr UINT kTrayIconId = 128;

// Geometry of the shipped skin (app/resources/update.xml, update_menu.xml):
// the window's size, the close button's rectangle, the status line's and
// the progress bar's, and the menu's size and item rows.
constexpr int kWindowWidth = 480;
constexpr int kWindowHeight = 250;
constexpr RECT kCloseButton = {kWindowWidth - 8 - 28, 8, kWindowWidth - 8, 36};
constexpr RECT kStatusLine = {28, 110, kWindowWidth - 28, 132};
constexpr RECT kProgressBar = {28, 144, kWindowWidth - 28, 152};
constexpr int kMenuWidth = 140;
constexpr int kMenuHeight = 78;
constexpr RECT kMenuItems[2] = {{6, 11, 134, 39}, {6, 39, 134, 67}};

// A CorvaneUpdater.exe started by a test; ended when the object goes.
class UpdaterProcess {
public:
    // The command line's first word is the quoted program path unless given.
    UpdaterProcess(const std::string& exe, const std::string& arguments, const std::string& folder,
                   const std::string& firstWord = "");
    ~UpdaterProcess();
    UpdaterProcess(const UpdaterProcess&) = delete;
    UpdaterProcess& operator=(const UpdaterProcess&) = delete;

    bool Started() const { return info_ != nullptr; }
    DWORD Id() const { return id_; }
    HANDLE Handle() const;
    bool Running() const;
    // True when it ended within the time; exitCode receives its code.
    bool WaitForEnd(DWORD milliseconds, DWORD& exitCode) const;
    // The first top-level window of the class that this process owns,
    // waited for up to the time; null when there is none.
    HWND FindWindowOf(const wchar_t* className, DWORD milliseconds = 0) const;
    HWND Window(DWORD milliseconds = 15000) const { return FindWindowOf(L"UpdateWnd", milliseconds); }

private:
    std::unique_ptr<ScopedProcessInfo> info_;
    DWORD id_ = 0;
};

class UpdaterTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string Installed(const std::string& relative) const { return installDir_ + "\\" + relative; }
    std::string UserData() const;

    // Puts a package fixture ("small", "slow", "many") on the HTTP server in
    // a folder of this test, hands its manifest (and its signature, when it
    // has one) to the Updater and returns
    // the base address to give with --uri; with a rate, the package comes at
    // about that many bytes a second. A server other than "http" is one of
    // the HTTPS servers (see HttpsUrl).
    std::string Serve(const std::string& fixture, int rate = 0, const std::string& server = "http");

    // Starts the Updater of the install folder with these arguments after
    // its own path, in the install folder.
    std::unique_ptr<UpdaterProcess> Start(const std::string& arguments);
    std::string CheckArguments(const std::string& uri, const std::string& version = "2.0") const;

    // Runs the Updater to its end; false when it did not end within a minute
    // or ended with another code than 0.
    bool RunToEnd(const std::string& arguments);

    // A key of section "update" of the settings file ("" when missing).
    std::string Setting(const char* key) const;

    // The messages of update.log, in order, without their time stamps.
    std::vector<std::string> LogMessages() const;

    // Waits until the window is out of sight (the start-up's empty
    // placement) and its tray icon is up.
    bool WaitUntilRunning(HWND window, DWORD milliseconds = 15000) const;

    std::string installDir_;
    std::string productName_;
    std::string productPath_;
    std::unique_ptr<ChildProcess> product_;
};

bool Contains(const std::vector<std::string>& lines, const std::string& line);

// True while the tray holds an icon of this window with the Updater's
// identifier (a modification of nothing succeeds only for an icon there).
bool TrayIconPresent(HWND window);

// Posts WM_UPDATE_STATUS with a copy of the narrow text made in the Updater's
// own heap by its C runtime, so that the window takes it over and frees it
// as it does the worker's.
bool PostStatusText(const UpdaterProcess& process, HWND window, const std::string& text, int percent);

// A left click at a screen point through the system's input: the window
// under it is activated and gets the button messages, as with a real mouse.
void ClickScreen(POINT point);
// A mouse move to a screen point, as the window under it sees one.
void HoverScreen(HWND window, POINT point);
// A click on the window at client coordinates, by posted button messages.
void PostClick(HWND window, int x, int y);

// Opens the tray menu as a right click on the icon with the cursor at the
// point does; the menu window, or null when none came.
HWND OpenMenu(const UpdaterProcess& process, HWND window, POINT cursor);
// The centre of a menu item, in the menu's client coordinates.
POINT MenuItemCenter(int index);

RECT WorkArea();
RECT WindowRect(HWND window);

// Screen pixels of a rectangle, read back as 0xRRGGBB.
class ScreenPixels {
public:
    explicit ScreenPixels(const RECT& screen);
    // x, y relative to the rectangle's top-left.
    DWORD At(int x, int y) const;
    // The smallest rectangle holding every pixel that differs from the
    // colour, or an empty one.
    RECT InkBounds(DWORD background) const;
    int width = 0;
    int height = 0;

private:
    std::vector<DWORD> rgb_;
};

// Handles what is queued for the test's own windows.
void PumpMessages();

// Polls the condition every 20 ms until it holds or the time is up, keeping
// the test's own windows answering meanwhile.
template <typename Condition>
bool WaitFor(Condition condition, DWORD milliseconds)
{
    for (DWORD waited = 0;; waited += 20) {
        PumpMessages();
        if (condition())
            return true;
        if (waited >= milliseconds)
            return false;
        Sleep(20);
    }
}
