#include "app/ProcessControl.h"

#include "tests/support/ProcessProbe.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>

namespace {

// taskkill is started without waiting; give a stray one time to show up
// before concluding that none ran.
constexpr DWORD kTaskKillGrace = 1500;

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

struct Launch {
    std::wstring program;
    std::string parameters;
};
std::vector<Launch> g_launches;

void WatchingLauncher(const std::wstring& program, const std::string& parameters)
{
    g_launches.push_back({program, parameters});
}

class ProcessControlTest : public testing::Test {
protected:
    void SetUp() override
    {
        g_launches.clear();
        before_ = SetTaskKillLauncher(WatchingLauncher);
    }

    void TearDown() override { SetTaskKillLauncher(before_); }

    TaskKillLauncher before_ = nullptr;
};

TEST_F(ProcessControlTest, TaskKillStartsTheSystemToolWithForceAndImageName)
{
    TaskKill("someprod.exe");
    ASSERT_EQ(g_launches.size(), 1u);
    wchar_t system[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    EXPECT_EQ(_wcsicmp(g_launches[0].program.c_str(), (std::wstring(system) + L"\\taskkill.exe").c_str()), 0);
    EXPECT_EQ(g_launches[0].parameters, "/f /im someprod.exe");
}

TEST_F(ProcessControlTest, TaskKillNeverRunsAPlantedTool)
{
    // A stand-in named taskkill.exe lies beside the test program; put one
    // into the current folder as well.
    ASSERT_TRUE(PlaceProduct(TestTempDir() + "\\taskkill.exe"));
    ASSERT_TRUE(SetCurrentDirectoryA(TestTempDir().c_str()));
    SetTaskKillLauncher(nullptr);
    TaskKill("corvane-absent-" + std::to_string(GetCurrentProcessId()) + ".exe");
    Sleep(kTaskKillGrace);
    EXPECT_TRUE(TaskKillRuns().empty());
}

TEST_F(ProcessControlTest, NotRunningReturnsAtOnceAndDoesNothing)
{
    const std::string name = OwnProgramName("idleprod");
    const std::string path = TestTempDir() + "\\install\\" + name;
    ASSERT_TRUE(PlaceProduct(path));
    const DWORD start = GetTickCount();
    StopProductProcess(name, path);
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_TRUE(g_launches.empty());
}

TEST_F(ProcessControlTest, EndsProductOfTheUpdaterFolderWithExitCodeZero)
{
    const std::string name = OwnProgramName("runprod");
    const std::string path = TestTempDir() + "\\install\\" + name;
    ASSERT_TRUE(PlaceProduct(path));
    ChildProcess product(path);
    ASSERT_TRUE(product.Started());
    ASSERT_TRUE(WaitForStarts(path, 1, 10000));

    StopProductProcess(name, path);
    DWORD exitCode = 1234;
    // Gone by the time the call returns.
    ASSERT_TRUE(product.WaitForEnd(0, exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_TRUE(g_launches.empty());
}

// Suspended at once, a process has no module list to read a path from: its
// image name tells its folder, and no taskkill ends every process of the name.
TEST_F(ProcessControlTest, ASuspendedProcessIsJudgedByItsImageName)
{
    const std::string name = OwnProgramName("rawprod");
    const std::string ours = TestTempDir() + "\\install\\" + name;
    const std::string other = TestTempDir() + "\\elsewhere\\" + name;
    ASSERT_TRUE(PlaceProduct(ours));
    ASSERT_TRUE(PlaceProduct(other));
    {
        ChildProcess foreign(other, true);
        ChildProcess product(ours);
        ASSERT_TRUE(WaitForStarts(ours, 1, 10000));
        ASSERT_EQ(ListedProcesses(name).front(), foreign.Id());
        StopProductProcess(name, ours);
        EXPECT_TRUE(foreign.Running());
        EXPECT_TRUE(product.Running());
    }
    ChildProcess product(ours, true);
    StopProductProcess(name, ours);
    DWORD exitCode = 1234;
    ASSERT_TRUE(product.WaitForEnd(0, exitCode));
    EXPECT_EQ(exitCode, 0u);
    Sleep(kTaskKillGrace);
    EXPECT_TRUE(g_launches.empty());
}

TEST_F(ProcessControlTest, SameNameFromAnotherFolderListedFirstStopsTheSearch)
{
    const std::string name = OwnProgramName("twinprod");
    const std::string other = TestTempDir() + "\\elsewhere\\" + name;
    const std::string ours = TestTempDir() + "\\install\\" + name;
    ASSERT_TRUE(PlaceProduct(other));
    ASSERT_TRUE(PlaceProduct(ours));
    ChildProcess first(other);
    ASSERT_TRUE(WaitForStarts(other, 1, 10000));
    ChildProcess second(ours);
    ASSERT_TRUE(WaitForStarts(ours, 1, 10000));
    const std::vector<DWORD> listed = ListedProcesses(name);
    ASSERT_EQ(listed.size(), 2u);
    ASSERT_EQ(listed[0], first.Id()) << "the other folder's process has to come first in the snapshot";

    StopProductProcess(name, ours);
    EXPECT_TRUE(first.Running());
    EXPECT_TRUE(second.Running());
    EXPECT_TRUE(g_launches.empty());
}

TEST_F(ProcessControlTest, ComparesNamesAndPathsWithoutCase)
{
    const std::string name = OwnProgramName("caseprod");
    const std::string path = TestTempDir() + "\\Install\\" + Upper(name);
    ASSERT_TRUE(PlaceProduct(path));
    ChildProcess product(path);
    ASSERT_TRUE(WaitForStarts(path, 1, 10000));

    StopProductProcess(name, Lower(path));
    DWORD exitCode = 1234;
    ASSERT_TRUE(product.WaitForEnd(10000, exitCode));
    EXPECT_EQ(exitCode, 0u);
}

TEST_F(ProcessControlTest, OtherNamesAreLeftAlone)
{
    const std::string name = OwnProgramName("keepprod");
    const std::string path = TestTempDir() + "\\install\\" + name;
    ASSERT_TRUE(PlaceProduct(path));
    ChildProcess product(path);
    ASSERT_TRUE(WaitForStarts(path, 1, 10000));

    // A name that only starts like the running one must not match.
    const std::string stem = name.substr(0, name.size() - 4);
    StopProductProcess(stem, TestTempDir() + "\\install\\" + stem);
    EXPECT_TRUE(product.Running());
    EXPECT_TRUE(g_launches.empty());
}

TEST(StartProgram, PassesNoArgumentsAndKeepsTheCurrentFolder)
{
    const std::string path = TestTempDir() + "\\install\\startprod.exe";
    const std::string cwd = TestTempDir() + "\\work";
    ASSERT_TRUE(PlaceProduct(path));
    ASSERT_TRUE(CreateDirectoryA(cwd.c_str(), nullptr));
    ASSERT_TRUE(SetCurrentDirectoryA(cwd.c_str()));

    EXPECT_TRUE(StartProgram(path));
    const bool started = WaitForStarts(path, 1, 10000);
    const std::vector<StartRecord> records = StartRecords(path);
    EndRecordedProcesses(path);
    SetCurrentDirectoryA(TestTempDir().c_str());
    ASSERT_TRUE(started);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].argc, 1);
    EXPECT_EQ(Lower(records[0].cwd), Lower(cwd));
}

TEST(StartProgram, MissingProgramIsReported)
{
    EXPECT_FALSE(StartProgram(TestTempDir() + "\\install\\absent.exe"));
    EXPECT_FALSE(StartProgram(""));
}

TEST(EndRecordedProcesses, SparesTheProgramThatTookAnEndedStartsId)
{
    const std::string bystanderPath = TestTempDir() + "\\install\\" + OwnProgramName("bystander");
    const std::string productPath = TestTempDir() + "\\install\\" + OwnProgramName("recorded");
    ASSERT_TRUE(PlaceProduct(bystanderPath));
    ASSERT_TRUE(PlaceProduct(productPath));
    ChildProcess bystander(bystanderPath);
    ChildProcess product(productPath);
    ASSERT_TRUE(WaitForStarts(bystanderPath, 1, 10000));
    ASSERT_TRUE(WaitForStarts(productPath, 1, 10000));

    // Wine gives the id of an ended process to a later one.
    const std::string starts = productPath + ".starts";
    ASSERT_TRUE(
        WriteFileBytes(starts, ReadFileBytes(starts) + "pid=" + std::to_string(bystander.Id()) + " argc=1 cwd=C:\\\n"));
    EndRecordedProcesses(productPath);
    EXPECT_TRUE(bystander.Running());
    EXPECT_FALSE(product.Running());
}

}  // namespace
