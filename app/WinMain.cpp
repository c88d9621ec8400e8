// The Updater's process entry: one Updater at a time, the log, the update
// window (whose start-up does the run's work), the message loop. The exit
// code is 0 on every path of its own.
#include "app/RunStart.h"
#include "app/UpdateDlg.h"
#include "base/SystemLibrary.h"
#include "base/TextConversion.h"
#include "ui/core/PaintManagerUI.h"

#include <delayimp.h>
#include <windows.h>

#include <new>

namespace {

// The libraries the program imports with delay (see app/CMakeLists.txt) come
// from the system folder; one that is not there is left to the helper's own
// load, which the restricted search keeps to the system folder as well.
FARPROC WINAPI LoadDelayedFromSystem(unsigned notify, PDelayLoadInfo info)
{
    if (notify != dliNotePreLoadLibrary || info == nullptr || info->szDll == nullptr)
        return nullptr;
    // secur32 imports crypt32 by name; loaded from the system folder before
    // it, crypt32 is what that import finds, also where a crypt32 of another
    // folder would be preferred (Wine told to take native libraries first).
    if (_stricmp(info->szDll, "secur32.dll") == 0)
        LoadSystemLibraryForever(L"crypt32.dll");
    // The helper takes the module handle in the place of a function.
    const HMODULE module = LoadSystemLibraryForever(ToWide(info->szDll).c_str());
    return reinterpret_cast<FARPROC>(reinterpret_cast<UINT_PTR>(module));
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // Before anything can load a library: nothing planted beside the program
    // or in the current folder is ever loaded.
    RestrictDllSearchToSystem();
    __pfnDliNotifyHook2 = LoadDelayedFromSystem;

    if (!StartUpdaterRun())
        return 0;

    SkinUI::CPaintManagerUI::SetInstance(instance);
    CUpdateDlg* window = new (std::nothrow) CUpdateDlg();
    if (window == nullptr)
        return 0;
    // The start-up runs inside Create: it parses the options, acts on the run
    // mode, adds the tray icon, hides the window and starts the worker.
    // Without a window nothing would ever end the message loop.
    if (window->Create(nullptr, L"Corvane升级程序",
                       WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU,
                       WS_EX_TOOLWINDOW, 0, 0, 500, 400) == nullptr)
        return 0;
    const HWND handle = window->GetHWND();
    window->CenterWindow();
    ShowWindow(handle, SW_SHOW);
    SkinUI::CPaintManagerUI::MessageLoop();
    // The window's destruction deletes the object, which waits for the
    // worker: nothing of the flow runs once the process entry returns.
    if (IsWindow(handle))
        DestroyWindow(handle);
    return 0;
}
