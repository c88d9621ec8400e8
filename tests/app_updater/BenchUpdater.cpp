// Figures of the Updater's start, printed, not checked:
//   1. from the start of CorvaneUpdater.exe to its hidden window with the
//      tray icon up (a check run whose download is refused at once);
//   2. the update window's skin load (markup and images from skin\update.zip)
//      and first paint, in this process, for the first window and again.
//   bench_updater.exe [RUNS]
#include "base/ScopedHandles.h"
#include "ui/controls/WindowImplBase.h"
#include "ui/core/PaintManagerUI.h"

#include <shellapi.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Found {
    DWORD process;
    HWND window;
};

BOOL CALLBACK FindUpdateWindow(HWND window, LPARAM data)
{
    Found* found = reinterpret_cast<Found*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t name[32] = {};
    if (owner == found->process && GetClassNameW(window, name, 32) > 0 && wcscmp(name, L"UpdateWnd") == 0) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

bool TrayIconUp(HWND window)
{
    NOTIFYICONDATAA query = {};
    query.cbSize = NOTIFYICONDATAA_V3_SIZE;
    query.hWnd = window;
    query.uID = 128;
    return Shell_NotifyIconA(NIM_MODIFY, &query) != FALSE;
}

void Report(const char* what, std::vector<double> ms)
{
    if (ms.empty()) {
        std::printf("%-44s no figures\n", what);
        return;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s best %7.1f ms   median %7.1f ms   (%zu runs)\n", what, ms.front(), ms[ms.size() / 2], ms.size());
}

// Start to the hidden window with its tray icon, one run.
bool TimeStart(const std::string& folder, double& ms)
{
    const std::string exe = folder + "\\CorvaneUpdater.exe";
    std::string commandLine =
        "\"" + exe + "\" --checkUpdate --version 2.0 --ParentProcessName bench-product.exe --uri http://127.0.0.1:1";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    const Clock::time_point start = Clock::now();
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &info))
        return false;
    const ScopedProcessInfo process(info);
    Found found = {info.dwProcessId, nullptr};
    bool up = false;
    while (!up && WaitForSingleObject(process.process.Get(), 0) == WAIT_TIMEOUT) {
        if (found.window == nullptr)
            EnumWindows(FindUpdateWindow, reinterpret_cast<LPARAM>(&found));
        RECT rect = {};
        up = found.window != nullptr && GetWindowRect(found.window, &rect) && IsRectEmpty(&rect) &&
             TrayIconUp(found.window);
        if (!up)
            Sleep(1);
    }
    ms = Milliseconds(Clock::now() - start);
    WaitForSingleObject(process.process.Get(), 30000);
    return up;
}

// The update window's skin, as the Updater loads it, in a window of our own.
class SkinWindow : public SkinUI::WindowImplBase {
protected:
    const wchar_t* GetWndClassName() const override { return L"BenchUpdateWnd"; }
    SkinUI::CUIString GetSkinPath() override { return L"skin\\"; }
    SkinUI::CUIString GetSkinXml() override { return L"update.xml"; }
    SkinUI::CUIString GetZIPFileName() const override { return L"update.zip"; }
};

double TimeSkinAndFirstPaint()
{
    SkinWindow* window = new SkinWindow();
    const Clock::time_point start = Clock::now();
    HWND hwnd = window->Create(nullptr, L"bench", WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW, 0, 0, 500, 400);
    UpdateWindow(hwnd);
    const double ms = Milliseconds(Clock::now() - start);
    // The window object goes with its final message.
    DestroyWindow(hwnd);
    return ms;
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::filesystem::path here = std::filesystem::path(self).parent_path();
    const std::filesystem::path work = here / "bench-updater";
    std::error_code ec;
    std::filesystem::remove_all(work, ec);
    std::filesystem::create_directories(work / "install" / "skin", ec);
    std::filesystem::create_directories(work / "AppData" / "Marlex" / "MarlexUpdate" / "update", ec);
    std::filesystem::copy_file(CORVANE_UPDATER_EXE, work / "install" / "CorvaneUpdater.exe", ec);
    std::filesystem::copy_file(CORVANE_UPDATER_SKIN, work / "install" / "skin" / "update.zip", ec);
    std::filesystem::create_directories(here / "skin", ec);
    std::filesystem::copy_file(CORVANE_UPDATER_SKIN, here / "skin" / "update.zip",
                               std::filesystem::copy_options::overwrite_existing, ec);
    if (ScopedFile manifest{_wfopen((work / "AppData/Marlex/MarlexUpdate/update/configure.xml").c_str(), L"wb")}) {
        std::fputs("<configure><version>2.0</version><package>bench-2.0.tar.xz</package>"
                   "<filelist></filelist></configure>",
                   manifest.Get());
    }
    SetEnvironmentVariableW(L"APPDATA", (work / "AppData").c_str());

    std::vector<double> starts;
    for (int i = 0; i < runs; ++i) {
        double ms = 0;
        if (TimeStart((work / "install").string(), ms))
            starts.push_back(ms);
    }
    Report("start to hidden window with tray icon", starts);

    SkinUI::CPaintManagerUI::SetInstance(GetModuleHandleW(nullptr));
    std::vector<double> later;
    const double first = TimeSkinAndFirstPaint();
    for (int i = 0; i < runs; ++i)
        later.push_back(TimeSkinAndFirstPaint());
    Report("skin load and first paint, first window", {first});
    Report("skin load and first paint, later windows", later);
    std::filesystem::remove_all(work, ec);
    return 0;
}
