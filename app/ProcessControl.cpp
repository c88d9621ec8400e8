#include "app/ProcessControl.h"

#include "base/ProcessImage.h"
#include "base/ScopedHandles.h"
#include "base/TextConversion.h"

#include <shellapi.h>
#include <tlhelp32.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

// An ended process may hold its files open for a moment; a product that
// takes longer than this is left to the installation as before.
constexpr DWORD kGoneTimeout = 10000;
constexpr DWORD kPollInterval = 100;

void ShellLaunch(const std::wstring& program, const std::string& parameters)
{
    ShellExecuteW(nullptr, L"open", program.c_str(), ToWide(parameters).c_str(), nullptr, SW_HIDE);
}

TaskKillLauncher g_launcher = ShellLaunch;

// The tool in the system folder: a "taskkill" looked up on the search path
// could be one planted in the Updater's own or the current folder.
std::wstring SystemTaskKillPath()
{
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::wstring();
    return std::wstring(folder, length) + L"\\taskkill.exe";
}

std::string NarrowExeName(const PROCESSENTRY32W& entry)
{
    return ToNarrow(std::wstring_view(entry.szExeFile, wcsnlen(entry.szExeFile, MAX_PATH)));
}

bool IsListed(DWORD processId)
{
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    if (!snapshot.Valid() || !Process32FirstW(snapshot.Get(), &entry))
        return false;
    do {
        if (entry.th32ProcessID == processId)
            return true;
    } while (Process32NextW(snapshot.Get(), &entry));
    return false;
}

// Waits on the handle when there is one, else watches the process list.
void WaitUntilGone(HANDLE process, DWORD processId)
{
    if (process != nullptr) {
        WaitForSingleObject(process, kGoneTimeout);
        return;
    }
    for (DWORD waited = 0; waited < kGoneTimeout && IsListed(processId); waited += kPollInterval)
        Sleep(kPollInterval);
}

void TaskKillAndWait(const std::string& exeName, HANDLE process, DWORD processId)
{
    TaskKill(exeName);
    WaitUntilGone(process, processId);
}

// Ends the process when it runs from the expected path; every failure that
// concerns it falls back to taskkill.
void StopMatching(DWORD processId, const std::string& exeName, const std::string& fullPath)
{
    ScopedHandle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId));
    if (!process.Valid()) {
        // Waiting needs far fewer rights than ending.
        const ScopedHandle waitable(OpenProcess(SYNCHRONIZE, FALSE, processId));
        TaskKillAndWait(exeName, waitable.Get(), processId);
        return;
    }
    // A path that cannot be read at all: this one process is ended, never
    // every process of that name in any folder.
    const std::string path = ProcessImagePath(process.Get());
    if (!path.empty() && _stricmp(path.c_str(), fullPath.c_str()) != 0)
        return;
    if (!TerminateProcess(process.Get(), 0))
        TaskKill(exeName);
    WaitUntilGone(process.Get(), processId);
}

}  // namespace

void StopProductProcess(const std::string& exeName, const std::string& fullPath)
{
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    if (!snapshot.Valid() || !Process32FirstW(snapshot.Get(), &entry)) {
        TaskKill(exeName);
        return;
    }
    do {
        if (_stricmp(NarrowExeName(entry).c_str(), exeName.c_str()) != 0)
            continue;
        // Only the first process of that name is looked at.
        StopMatching(entry.th32ProcessID, exeName, fullPath);
        return;
    } while (Process32NextW(snapshot.Get(), &entry));
}

void TaskKill(const std::string& exeName)
{
    char parameters[512];
    // A name too long for the buffer is not passed cut: a shorter name could
    // match another program.
    if (snprintf(parameters, sizeof(parameters), "/f /im %s", exeName.c_str()) >= static_cast<int>(sizeof(parameters)))
        return;
    const std::wstring program = SystemTaskKillPath();
    if (!program.empty())
        g_launcher(program, parameters);
}

TaskKillLauncher SetTaskKillLauncher(TaskKillLauncher launcher)
{
    const TaskKillLauncher before = g_launcher;
    g_launcher = launcher != nullptr ? launcher : ShellLaunch;
    return before;
}

bool StartProgram(const std::string& path)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION created = {};
    if (!CreateProcessA(path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &created))
        return false;
    const ScopedProcessInfo owned(created);
    return true;
}
