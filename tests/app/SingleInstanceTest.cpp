#include "app/SingleInstance.h"
#include "engine/Paths.h"
#include "base/ScopedHandles.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

std::string ProbePath()
{
    return TestProgramDir() + "\\instance_probe.exe";
}

struct Probe {
    ScopedHandle process;
    ScopedHandle thread;
};

bool StartProbe(const std::string& readyEvent, const std::string& releaseEvent, Probe& probe)
{
    std::string commandLine = "\"" + ProbePath() + "\" " + readyEvent + " " + releaseEvent;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    probe.process.Reset(info.hProcess);
    probe.thread.Reset(info.hThread);
    return true;
}

DWORD ExitCodeAfter(const Probe& probe, DWORD waitMs)
{
    if (WaitForSingleObject(probe.process.Get(), waitMs) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(probe.process.Get(), &code);
    return code;
}

std::string EventName(const char* role)
{
    return "corvane_probe_" + std::to_string(GetCurrentProcessId()) + "_" + role;
}

}  // namespace

// One case only: the mutex name is shared by every process of the session, so
// parallel cases of their own would get in each other's way.
TEST(SingleInstance, SecondUpdaterExitsAtOnceAndWritesNothing)
{
    ScopedHandle firstReady(CreateEventA(nullptr, TRUE, FALSE, EventName("ready1").c_str()));
    ScopedHandle secondReady(CreateEventA(nullptr, TRUE, FALSE, EventName("ready2").c_str()));
    ScopedHandle release(CreateEventA(nullptr, TRUE, FALSE, EventName("release").c_str()));
    ASSERT_TRUE(firstReady.Valid() && secondReady.Valid() && release.Valid());

    Probe first;
    ASSERT_TRUE(StartProbe(EventName("ready1"), EventName("release"), first));
    ASSERT_EQ(WaitForSingleObject(firstReady.Get(), 30000), WAIT_OBJECT_0) << "first probe never took the mutex";

    const std::string log = GetLogPath();
    const std::string logBefore = ReadFileBytes(log);
    ASSERT_NE(logBefore.find("probe holds the mutex"), std::string::npos);

    // The second one would wait on the release event if it got through the
    // single-instance test; it has to end on its own while the first holds on.
    Probe second;
    ASSERT_TRUE(StartProbe(EventName("ready2"), EventName("release"), second));
    EXPECT_EQ(ExitCodeAfter(second, 30000), 0u);
    EXPECT_EQ(WaitForSingleObject(secondReady.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(ReadFileBytes(log), logBefore);

    SetEvent(release.Get());
    EXPECT_EQ(ExitCodeAfter(first, 30000), 0u);

    // With its owner gone the mutex is free again; taking it here makes the
    // next test see it held.
    EXPECT_FALSE(IsAlreadyRunning(kUpdaterMutexName));
    EXPECT_TRUE(IsAlreadyRunning(kUpdaterMutexName));
}
