#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

struct ScopedProcessInfo;

// Helpers of the process tests: copies of the stand-in product program,
// processes started and ended by handle, and the records the program leaves.

// Path of the stand-in product program built beside the tests.
std::string ProductProgramPath();

// A program name of this test process's own, "<stem>-<process id>.exe". The
// product is found by name among all processes, so tests running at the same
// time must not give their products the same name.
std::string OwnProgramName(const std::string& stem);

// Copies the stand-in program to the given path (folders created).
bool PlaceProduct(const std::string& path);

// A process started by the test; ended when the object goes away.
class ChildProcess {
public:
    // A suspended process has not loaded its modules yet.
    explicit ChildProcess(const std::string& path, bool suspended = false);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return process_ != nullptr; }
    DWORD Id() const { return id_; }
    HANDLE Handle() const;
    // True when the process ended within the time; exitCode receives its code.
    bool WaitForEnd(DWORD milliseconds, DWORD& exitCode) const;
    bool Running() const;

private:
    std::unique_ptr<ScopedProcessInfo> process_;
    DWORD id_ = 0;
};

// One "<program>.starts" record.
struct StartRecord {
    DWORD pid = 0;
    int argc = 0;
    std::string cwd;
};

// The records of every start of the program at that path, in order.
std::vector<StartRecord> StartRecords(const std::string& programPath);

// Waits until the program at that path has recorded count starts.
bool WaitForStarts(const std::string& programPath, size_t count, DWORD milliseconds);

// Ends every process that the program at that path recorded as started and
// that still runs that program.
void EndRecordedProcesses(const std::string& programPath);

// Arguments of each run of the taskkill stand-in (built beside the tests as
// a planted tool that must never run) within this test.
std::vector<std::string> TaskKillRuns();

// Ids of the running processes of that executable name, in snapshot order.
std::vector<DWORD> ListedProcesses(const std::string& exeName);
