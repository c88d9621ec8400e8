// Drives a running Updater the way a user does through its tray icon, for
// scripts/sample_update.sh (which takes screenshots of what it shows): posts
// the tray icon's mouse messages to the update window (class "UpdateWnd")
// and places the cursor.
//
//   corvane_window_poke.exe [--desktop NAME] COMMAND
//     wait SECONDS   until the update window exists
//     gone SECONDS   until it is gone (the run has ended), or its desktop
//     balloon SECONDS  until a balloon (a tooltip window) is on the screen
//     show           a left click on the tray icon
//     menu X Y       the cursor to X,Y and a right click on the tray icon
//     hover X Y      the cursor to X,Y, and a mouse move there for the window
//                    under it (the move a real mouse would report)
//     workarea       prints the work area, "left top right bottom"
//     rect           prints the update window's rectangle the same way
// --desktop works on the windows of that desktop (Wine's "explorer
// /desktop=NAME,WxH" runs the Updater in one). Exit code 0 on success, 1
// when the update window is not there (or not gone in time), 2 on bad usage.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

// As the update window defines them.
constexpr UINT kTrayNotify = WM_USER + 101;
constexpr WPARAM kTrayIconId = 128;

HWND UpdateWindow()
{
    return FindWindowW(L"UpdateWnd", nullptr);
}

// Polls until the update window's presence is as wanted.
bool WaitFor(bool present, int seconds)
{
    const DWORD until = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
    while ((UpdateWindow() != nullptr) != present) {
        if (static_cast<LONG>(GetTickCount() - until) >= 0)
            return false;
        Sleep(50);
    }
    return true;
}

BOOL CALLBACK FindVisibleTooltip(HWND window, LPARAM found)
{
    wchar_t name[64] = {};
    if (IsWindowVisible(window) && GetClassNameW(window, name, 64) > 0 && wcscmp(name, L"tooltips_class32") == 0) {
        *reinterpret_cast<bool*>(found) = true;
        return FALSE;
    }
    return TRUE;
}

bool WaitForBalloon(int seconds)
{
    const DWORD until = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
    for (;;) {
        bool found = false;
        EnumWindows(FindVisibleTooltip, reinterpret_cast<LPARAM>(&found));
        if (found)
            return true;
        if (static_cast<LONG>(GetTickCount() - until) >= 0)
            return false;
        Sleep(50);
    }
}

bool PostTray(UINT mouseMessage)
{
    HWND window = UpdateWindow();
    return window != nullptr && PostMessageW(window, kTrayNotify, kTrayIconId, mouseMessage);
}

}  // namespace

int main(int argc, char** argv)
{
    const bool onDesktop = argc >= 3 && strcmp(argv[1], "--desktop") == 0;
    const char* desktopName = onDesktop ? argv[2] : nullptr;
    if (onDesktop) {
        argc -= 2;
        argv += 2;
    }
    if (argc < 2)
        return 2;
    const char* command = argv[1];
    if (onDesktop) {
        // Before this thread has any window: windows are found per desktop.
        // The handle stays open for the life of the process.
        // The desktop appears a moment after its explorer is started; Wine
        // closes it a moment after its last program has ended, so for "gone"
        // a desktop that is not there means that the window has gone with it.
        const bool gone = strcmp(command, "gone") == 0;
        HDESK desktop = OpenDesktopA(desktopName, 0, FALSE, GENERIC_ALL);
        for (int tries = 1; desktop == nullptr && !gone && tries < 200; ++tries) {
            Sleep(50);
            desktop = OpenDesktopA(desktopName, 0, FALSE, GENERIC_ALL);
        }
        if (desktop == nullptr)
            return gone ? 0 : 1;
        if (!SetThreadDesktop(desktop))
            return 1;
    }
    if ((strcmp(command, "wait") == 0 || strcmp(command, "gone") == 0) && argc == 3)
        return WaitFor(strcmp(command, "wait") == 0, atoi(argv[2])) ? 0 : 1;
    if (strcmp(command, "balloon") == 0 && argc == 3)
        return WaitForBalloon(atoi(argv[2])) ? 0 : 1;
    if (strcmp(command, "show") == 0)
        return PostTray(WM_LBUTTONUP) ? 0 : 1;
    if ((strcmp(command, "menu") == 0 || strcmp(command, "hover") == 0) && argc == 4) {
        POINT point = {atoi(argv[2]), atoi(argv[3])};
        SetCursorPos(point.x, point.y);
        if (strcmp(command, "menu") == 0)
            return PostTray(WM_RBUTTONUP) ? 0 : 1;
        HWND under = WindowFromPoint(point);
        if (under == nullptr || !ScreenToClient(under, &point))
            return 1;
        return PostMessageW(under, WM_MOUSEMOVE, 0, MAKELPARAM(point.x, point.y)) ? 0 : 1;
    }
    if (strcmp(command, "rect") == 0) {
        RECT rect = {};
        if (!GetWindowRect(UpdateWindow(), &rect))
            return 1;
        std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
        return 0;
    }
    if (strcmp(command, "workarea") == 0) {
        RECT work = {};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        std::printf("%ld %ld %ld %ld\n", work.left, work.top, work.right, work.bottom);
        return 0;
    }
    return 2;
}
