// Holds Wine's desktop for a test run. The first program of a session that
// needs the desktop starts Wine's desktop process, which keeps that
// program's output handles; a test starting it would keep CTest waiting on
// its output until the desktop ends, long after the test itself. Started by
// desktop_holder.py with its output on /dev/null before any test, this
// program makes the desktop and keeps it up, handling its window's messages,
// until the file "stop" appears in the folder named by argv[1] (an hour at
// most). It writes "ready" there once the desktop is up.
#include "base/ScopedHandles.h"

#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const std::string state = argv[1];
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "CorvaneDesktopHolder";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, "desktop holder", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10,
                                  nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window || !GetDesktopWindow())
        return 3;
    {
        ScopedFile ready(fopen((state + "\\ready").c_str(), "wb"));
        if (!ready)
            return 4;
    }
    const std::string stop = state + "\\stop";
    for (DWORD waited = 0; waited < 60 * 60 * 1000; waited += 100) {
        if (GetFileAttributesA(stop.c_str()) != INVALID_FILE_ATTRIBUTES)
            break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    }
    DestroyWindow(window);
    return 0;
}
