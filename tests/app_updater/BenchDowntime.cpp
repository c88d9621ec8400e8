// Figures of one Updater run against a running product, printed, not checked:
// how long the product is closed (from the end of its process to its next
// start), how long the Updater takes to stop it and the run as a whole.
//   bench_downtime.exe INSTALL_DIR PRODUCT_EXE [UPDATER ARGUMENTS...]
// The product is INSTALL_DIR\PRODUCT_EXE, a program that appends a line to
// started.log beside itself at each start (tools/sample_product); the Updater
// is INSTALL_DIR\CorvaneUpdater.exe, run in INSTALL_DIR with the arguments.
#include "base/ScopedHandles.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// A stopped product is started again right before the Updater ends, and under
// Wine a new process takes a moment to write its first line.
constexpr double kRestartGraceSeconds = 30;
constexpr double kProductStartSeconds = 30;
constexpr double kUpdaterSeconds = 900;

double Seconds()
{
    static const LONGLONG frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency);
}

// The lines of started.log: one per start of the product.
int CountStarts(const std::string& log)
{
    ScopedFile f{std::fopen(log.c_str(), "rb")};
    if (!f)
        return 0;
    int lines = 0;
    for (int c = std::fgetc(f.Get()); c != EOF; c = std::fgetc(f.Get()))
        lines += c == '\n';
    return lines;
}

LONGLONG FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string Quoted(const std::string& argument)
{
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos)
        return argument;
    std::string quoted = "\"";
    for (const char c : argument) {
        if (c == '"')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

// Started suspended and put into the job first, so that whatever it starts
// (the product again, taskkill) is in the job too.
bool StartInJob(HANDLE job, const std::string& exe, std::string commandLine, const std::string& folder,
                PROCESS_INFORMATION& info)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        folder.c_str(), &startup, &info))
        return false;
    AssignProcessToJobObject(job, info.hProcess);
    ResumeThread(info.hThread);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_downtime.exe INSTALL_DIR PRODUCT_EXE [UPDATER ARGUMENTS...]\n");
        return 2;
    }
    char full[MAX_PATH] = {};
    // The Updater stops the product only when it runs from the Updater's own
    // folder, so both are started from the same spelling of that folder.
    if (GetFullPathNameA(argv[1], MAX_PATH, full, nullptr) == 0) {
        std::fprintf(stderr, "bad install folder %s\n", argv[1]);
        return 2;
    }
    const std::string install = full;
    const std::string product = install + "\\" + argv[2];
    const std::string updater = install + "\\CorvaneUpdater.exe";
    const std::string log = install + "\\started.log";
    std::string updaterCommand = Quoted(updater);
    for (int i = 3; i < argc; ++i)
        updaterCommand += " " + Quoted(argv[i]);

    // Every process of the run, ours and the Updater's, ends with the job,
    // also when this program is ended half way.
    const ScopedHandle job(CreateJobObjectW(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits));

    const int before = CountStarts(log);
    PROCESS_INFORMATION productInfo = {};
    if (!StartInJob(job.Get(), product, Quoted(product), install, productInfo)) {
        std::fprintf(stderr, "cannot start %s (%lu)\n", product.c_str(), GetLastError());
        return 1;
    }
    const ScopedProcessInfo productProcess(productInfo);
    const double productStart = Seconds();
    while (CountStarts(log) <= before && Seconds() - productStart < kProductStartSeconds)
        Sleep(10);
    const int started = CountStarts(log);
    if (started <= before) {
        std::fprintf(stderr, "the product did not write to %s\n", log.c_str());
        TerminateJobObject(job.Get(), 1);
        return 1;
    }

    PROCESS_INFORMATION updaterInfo = {};
    const double start = Seconds();
    if (!StartInJob(job.Get(), updater, updaterCommand, install, updaterInfo)) {
        std::fprintf(stderr, "cannot start %s (%lu)\n", updater.c_str(), GetLastError());
        TerminateJobObject(job.Get(), 1);
        return 1;
    }
    const ScopedProcessInfo updaterProcess(updaterInfo);

    double stopped = -1;
    double restarted = -1;
    double ended = -1;
    LONGLONG logSize = FileSize(log);
    for (;;) {
        std::vector<HANDLE> running;
        if (ended < 0)
            running.push_back(updaterProcess.process.Get());
        if (stopped < 0)
            running.push_back(productProcess.process.Get());
        if (running.empty())
            Sleep(1);
        else
            WaitForMultipleObjects(static_cast<DWORD>(running.size()), running.data(), FALSE, 1);
        const double now = Seconds();
        if (ended < 0 && WaitForSingleObject(updaterProcess.process.Get(), 0) == WAIT_OBJECT_0)
            ended = now;
        if (stopped < 0 && WaitForSingleObject(productProcess.process.Get(), 0) == WAIT_OBJECT_0)
            stopped = now;
        const LONGLONG size = FileSize(log);
        if (restarted < 0 && size != logSize) {
            logSize = size;
            if (CountStarts(log) > started)
                restarted = now;
        }
        if (ended >= 0 && (restarted >= 0 || stopped < 0 || now - ended > kRestartGraceSeconds))
            break;
        if (ended < 0 && now - start > kUpdaterSeconds) {
            std::fprintf(stderr, "the Updater did not end within %.0f s\n", kUpdaterSeconds);
            break;
        }
    }

    DWORD exitCode = STILL_ACTIVE;
    GetExitCodeProcess(updaterProcess.process.Get(), &exitCode);
    std::printf("updater_seconds: %.3f\n", (ended >= 0 ? ended : Seconds()) - start);
    std::printf("updater_exit_code: %lu\n", exitCode);
    std::printf("product_stopped: %d\n", stopped >= 0 ? 1 : 0);
    std::printf("product_restarted: %d\n", restarted >= 0 ? 1 : 0);
    if (stopped >= 0)
        std::printf("until_stop_seconds: %.3f\n", stopped - start);
    if (stopped >= 0 && restarted >= 0)
        std::printf("downtime_seconds: %.3f\n", restarted - stopped);
    std::fflush(stdout);
    TerminateJobObject(job.Get(), 0);
    return ended >= 0 ? 0 : 1;
}
