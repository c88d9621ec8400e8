#include "tests/support/ProcessProbe.h"

#include "base/ProcessImage.h"
#include "base/ScopedHandles.h"
#include "tests/support/TestSupport.h"

#include <tlhelp32.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

std::string ProductProgramPath()
{
    return CORVANE_TEST_PRODUCT;
}

std::string OwnProgramName(const std::string& stem)
{
    return stem + "-" + std::to_string(GetCurrentProcessId()) + ".exe";
}

bool PlaceProduct(const std::string& path)
{
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    return CopyFileA(ProductProgramPath().c_str(), path.c_str(), FALSE) != FALSE;
}

ChildProcess::ChildProcess(const std::string& path, bool suspended)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(path.c_str(), nullptr, nullptr, nullptr, FALSE, suspended ? CREATE_SUSPENDED : 0, nullptr,
                        nullptr, &startup, &info))
        return;
    process_ = std::make_unique<ScopedProcessInfo>(info);
    id_ = info.dwProcessId;
}

HANDLE ChildProcess::Handle() const
{
    return process_ ? process_->process.Get() : nullptr;
}

ChildProcess::~ChildProcess()
{
    if (!Started())
        return;
    TerminateProcess(process_->process.Get(), 99);
    WaitForSingleObject(process_->process.Get(), 5000);
}

bool ChildProcess::WaitForEnd(DWORD milliseconds, DWORD& exitCode) const
{
    if (!Started() || WaitForSingleObject(process_->process.Get(), milliseconds) != WAIT_OBJECT_0)
        return false;
    GetExitCodeProcess(process_->process.Get(), &exitCode);
    return true;
}

bool ChildProcess::Running() const
{
    return Started() && WaitForSingleObject(process_->process.Get(), 0) == WAIT_TIMEOUT;
}

std::vector<StartRecord> StartRecords(const std::string& programPath)
{
    std::vector<StartRecord> records;
    std::istringstream lines(ReadFileBytes(programPath + ".starts"));
    std::string line;
    while (std::getline(lines, line)) {
        StartRecord record;
        const size_t argcAt = line.find(" argc=");
        const size_t cwdAt = line.find(" cwd=");
        if (line.rfind("pid=", 0) != 0 || argcAt == std::string::npos || cwdAt == std::string::npos)
            continue;
        record.pid = static_cast<DWORD>(strtoul(line.c_str() + 4, nullptr, 10));
        record.argc = atoi(line.c_str() + argcAt + 6);
        record.cwd = line.substr(cwdAt + 5);
        records.push_back(record);
    }
    return records;
}

bool WaitForStarts(const std::string& programPath, size_t count, DWORD milliseconds)
{
    for (DWORD waited = 0;; waited += 50) {
        if (StartRecords(programPath).size() >= count)
            return true;
        if (waited >= milliseconds)
            return false;
        Sleep(50);
    }
}

void EndRecordedProcesses(const std::string& programPath)
{
    for (const StartRecord& record : StartRecords(programPath)) {
        ScopedHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ,
                                         FALSE, record.pid));
        // The id of a start that has ended may have been given to another
        // test's program since.
        if (!process || _stricmp(ProcessImagePath(process.Get()).c_str(), programPath.c_str()) != 0)
            continue;
        TerminateProcess(process.Get(), 99);
        WaitForSingleObject(process.Get(), 5000);
    }
}

std::vector<std::string> TaskKillRuns()
{
    std::vector<std::string> runs;
    std::istringstream lines(ReadFileBytes(TestTempDir() + "\\AppData\\taskkill.args"));
    std::string line;
    while (std::getline(lines, line))
        runs.push_back(line);
    return runs;
}

std::vector<DWORD> ListedProcesses(const std::string& exeName)
{
    std::vector<DWORD> ids;
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return ids;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot.Get(), &entry); more; more = Process32Next(snapshot.Get(), &entry))
        if (_stricmp(entry.szExeFile, exeName.c_str()) == 0)
            ids.push_back(entry.th32ProcessID);
    return ids;
}
