#include "app/ProcessControl.h"

#include "base/ScopedHandles.h"
#include "base/TextConversion.h"

#include <windows.h>
#include <psapi.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>

namespace {

std::string NarrowExeName(const PROCESSENTRY32W& entry)
{
    return ToNarrow(std::wstring_view(entry.szExeFile, wcsnlen(entry.szExeFile, MAX_PATH)), CP_THREAD_ACP);
}

// Ends the process when it runs from the expected path. False when it had to
// be left to taskkill.
bool EndIfSamePath(DWORD processId, const std::string& fullPath)
{
    ScopedHandle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId));
    if (!process.Valid())
        return false;
    char path[512] = {};
    GetModuleFileNameExA(process.Get(), nullptr, path, sizeof(path) - 1);
    if (_stricmp(path, fullPath.c_str()) != 0)
        return true;
    return TerminateProcess(process.Get(), 0) != FALSE;
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
        if (!EndIfSamePath(entry.th32ProcessID, fullPath))
            TaskKill(exeName);
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
    ShellExecuteA(nullptr, "open", "taskkill", parameters, nullptr, SW_HIDE);
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
