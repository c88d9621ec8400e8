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

TEST(TaskKill, RunsTaskkillWithForceAndImageName)
{
    TaskKill("someprod.exe");
    for (int i = 0; i < 100 && TaskKillRuns().empty(); ++i)
        Sleep(100);
    ASSERT_EQ(TaskKillRuns().size(), 1u);
    EXPECT_EQ(TaskKillRuns()[0], "/f /im someprod.exe");
}

TEST(StopProductProcess, NotRunningDoesNothing)
{
    const std::string name = OwnProgramName("idleprod");
    const std::string path = TestTempDir() + "\\install\\" + name;
    ASSERT_TRUE(PlaceProduct(path));
    StopProductProcess(name, path);
    Sleep(kTaskKillGrace);
    EXPECT_TRUE(TaskKillRuns().empty());
}

TEST(StopProductProcess, EndsProductOfTheUpdaterFolderWithExitCodeZero)
{
    const std::string name = OwnProgramName("runprod");
    const std::string path = TestTempDir() + "\\install\\" + name;
    ASSERT_TRUE(PlaceProduct(path));
    ChildProcess product(path);
    ASSERT_TRUE(product.Started());
    ASSERT_TRUE(WaitForStarts(path, 1, 10000));

    StopProductProcess(name, path);
    DWORD exitCode = 1234;
    ASSERT_TRUE(product.WaitForEnd(10000, exitCode));
    EXPECT_EQ(exitCode, 0u);
    Sleep(kTaskKillGrace);
    EXPECT_TRUE(TaskKillRuns().empty());
}

TEST(StopProductProcess, SameNameFromAnotherFolderListedFirstStopsTheSearch)
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
    Sleep(kTaskKillGrace);
    EXPECT_TRUE(first.Running());
    EXPECT_TRUE(second.Running());
    EXPECT_TRUE(TaskKillRuns().empty());
}

TEST(StopProductProcess, ComparesNamesAndPathsWithoutCase)
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

TEST(StopProductProcess, OtherNamesAreLeftAlone)
{
    const std::string name = OwnProgramName("keepprod");
    const std::string path = TestTempDir() + "\\install\\" + name;
    ASSERT_TRUE(PlaceProduct(path));
    ChildProcess product(path);
    ASSERT_TRUE(WaitForStarts(path, 1, 10000));

    // A name that only starts like the running one must not match.
    const std::string stem = name.substr(0, name.size() - 4);
    StopProductProcess(stem, TestTempDir() + "\\install\\" + stem);
    Sleep(kTaskKillGrace);
    EXPECT_TRUE(product.Running());
    EXPECT_TRUE(TaskKillRuns().empty());
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

}  // namespace
