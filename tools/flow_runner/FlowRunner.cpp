// Runs one update flow the way the Updater does, without its skinned window:
// the single-instance test and log, the command line, the start-up of the
// run mode, and the flow on a worker thread, with a hidden message window in
// place of the update window. Each status text is printed (as UTF-8) and the
// run ends on the flow's close request, unless files are being installed.
//
//   corvane_flow_runner.exe --checkUpdate --version V --ParentProcessName P --uri U [--force N]
//   corvane_flow_runner.exe --execUpdate --ParentProcessName P
//
// Like the Updater it installs into its own folder, so it is copied there.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/RunStart.h"
#include "base/TextConversion.h"
#include "engine/Paths.h"
#include "engine/UpdateLog.h"
#include "engine/UpdateStatus.h"
#include "engine/UpdateWorker.h"

namespace {

UpdateWorker* g_worker = nullptr;

LRESULT CALLBACK RunnerWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_UPDATE_STATUS: {
        std::unique_ptr<char[]> text = TakeStatusText(wParam);
        if (static_cast<int>(lParam) >= 0)
            std::printf("status: %s [%d%%]\n", ToUtf8(text.get()).c_str(), static_cast<int>(lParam));
        else
            std::printf("status: %s\n", ToUtf8(text.get()).c_str());
        std::fflush(stdout);
        return 0;
    }
    case WM_CLOSE:
        // As in the update window: no close while files are being replaced.
        if (g_worker == nullptr || !g_worker->IsBusy())
            PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

HWND CreateRunnerWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RunnerWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "CorvaneFlowRunner";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

}  // namespace

int main(int argc, char** argv)
{
    if (!StartUpdaterRun())
        return 0;

    UpdateWorker worker;
    g_worker = &worker;
    g_hUpdateWnd = CreateRunnerWindow();
    if (g_hUpdateWnd == nullptr) {
        std::fprintf(stderr, "cannot create the message window (error %lu)\n", GetLastError());
        return 0;
    }

    boost::thread flow;
    if (PrepareUpdateRun(worker, argc, argv))
        flow = StartUpdateFlow(worker);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (flow.joinable())
        flow.join();
    std::printf("log: %s\n", GetLogPath().c_str());
    return 0;
}
