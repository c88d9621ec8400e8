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

#include <boost/bind/bind.hpp>
#include <boost/thread.hpp>

#include "app/ProcessControl.h"
#include "app/RunStart.h"
#include "app/UpdateOptions.h"
#include "engine/Paths.h"
#include "engine/UpdateLog.h"
#include "engine/UpdateStatus.h"
#include "engine/UpdateWorker.h"

namespace {

UpdateWorker* g_worker = nullptr;

std::string AnsiToUtf8(const char* text)
{
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (wideLength <= 0)
        return std::string();
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], wideLength);
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &utf8[0], length, nullptr, nullptr);
    utf8.resize(static_cast<size_t>(length > 0 ? length - 1 : 0));
    return utf8;
}

LRESULT CALLBACK RunnerWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_UPDATE_STATUS: {
        std::unique_ptr<char[]> text = TakeStatusText(wParam);
        if (static_cast<int>(lParam) >= 0)
            std::printf("status: %s [%d%%]\n", AnsiToUtf8(text.get()).c_str(), static_cast<int>(lParam));
        else
            std::printf("status: %s\n", AnsiToUtf8(text.get()).c_str());
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
    return CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           wc.hInstance, nullptr);
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

    UpdateLog& log = UpdateLog::Instance();
    boost::thread flow;
    if (!ParseUpdateArgs(argc, argv, g_updateOptions)) {
        log.Write("parseArgs error.");
        PostMessageA(g_hUpdateWnd, WM_CLOSE, 0, 0);
    } else if (g_updateOptions.mode == kExecMode) {
        log.Write("entering execUpdate mode.");
        StopProductProcess(g_updateOptions.parentProcessName,
                           g_updateOptions.exeDir + "\\" + g_updateOptions.parentProcessName);
        flow = boost::thread(boost::bind(&UpdateWorker::ExecUpdateProc, &worker));
    } else {
        const std::string manifest = GetUpdateDir() + "\\configure.xml";
        if (!worker.CheckManifest().Load(manifest)) {
            log.Write("load %s failed.", manifest.c_str());
            PostMessageA(g_hUpdateWnd, WM_CLOSE, 0, 0);
        } else {
            flow = boost::thread(boost::bind(&UpdateWorker::CheckUpdateProc, &worker));
        }
    }

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
