// The real Updater killed at any moment of an exec run, from the package or
// between the renames that swap in a staged tree: the next run leaves the
// product exactly on its old version or exactly on the new one.
#include "tests/app_updater/UpdaterTestSupport.h"

#include "base/PathUtil.h"
#include "tests/support/TestMain.h"
#include "tests/support/TestSupport.h"

#include <filesystem>
#include <map>

namespace {

constexpr int kFiles = 400;      // the "many" fixture's files
constexpr int kKills = 12;       // spread over a run from the package
constexpr int kStagedKills = 8;  // the first milliseconds of the renames

// Copies keep their time of last write, which the staging marker names.
void CopyTree(const std::string& from, const std::string& to)
{
    std::error_code ec;
    std::filesystem::remove_all(to, ec);
    ASSERT_TRUE(std::filesystem::create_directories(to, ec)) << to << ": " << ec.message();
    for (const auto& entry : std::filesystem::recursive_directory_iterator(from)) {
        const std::filesystem::path copy = to / std::filesystem::relative(entry.path(), from);
        if (entry.is_directory())
            std::filesystem::create_directories(copy, ec);
        else
            ASSERT_TRUE(CopyFileW(entry.path().c_str(), copy.c_str(), FALSE)) << copy;
    }
}

class KillTest : public UpdaterTest {
protected:
    void WriteOldVersion()
    {
        std::error_code ec;
        std::filesystem::remove_all(Installed("data"), ec);
        for (int i = 0; i < kFiles; ++i) {
            char name[32];
            snprintf(name, sizeof(name), "data\\f%03d.bin", i);
            ASSERT_TRUE(WriteFileBytes(Installed(name), "old " + std::to_string(i)));
        }
    }

    // The pending update as the silent run left it: the update folder, the
    // settings file and the staged tree.
    void SavePending()
    {
        CopyTree(UserData(), TestTempDir() + "\\pending");
        CopyTree(Installed(".corvane-staged"), TestTempDir() + "\\staged");
    }
    // Without its staged tree the exec run installs from the package.
    void RestorePending(bool staged)
    {
        CopyTree(TestTempDir() + "\\pending\\update", UserData() + "\\update");
        ASSERT_TRUE(
            CopyFileA((TestTempDir() + "\\pending\\tavrin.ini").c_str(), (UserData() + "\\tavrin.ini").c_str(), FALSE));
        std::error_code ec;
        std::filesystem::remove_all(Installed(".corvane-staged"), ec);
        if (staged)
            CopyTree(TestTempDir() + "\\staged", Installed(".corvane-staged"));
    }

    // Waits until the exec run has written its journal, the moment before
    // its first rename or copy; false after a minute.
    bool WaitForJournal() const
    {
        const std::string journal = UserData() + "\\install.journal";
        for (int i = 0; i < 60000 && !FileExists(journal); ++i)
            Sleep(1);
        return FileExists(journal);
    }

    std::string ExecArguments() const { return "--execUpdate --ParentProcessName " + productName_; }
};

TEST_F(KillTest, AKilledExecRunIsRecoveredByTheNextRun)
{
    const std::string uri = Serve("many");
    {
        auto check = Start(CheckArguments(uri));
        DWORD code = 1;
        ASSERT_TRUE(check->WaitForEnd(60000, code));
    }
    ASSERT_TRUE(FileExists(Installed(".corvane-staged")));
    WriteOldVersion();
    SavePending();
    const std::map<std::string, std::string> oldVersion = FolderTree(Installed("data"));

    // A whole run first: its length spreads the kills over it. The renames
    // of a staged tree take a moment of it: those kills come once the
    // journal is written, 0 to 28 ms later.
    const DWORD start = GetTickCount();
    {
        auto exec = Start(ExecArguments());
        DWORD code = 1;
        ASSERT_TRUE(exec->WaitForEnd(60000, code));
    }
    const DWORD length = GetTickCount() - start;
    const std::map<std::string, std::string> newVersion = FolderTree(Installed("data"));
    ASSERT_EQ(newVersion.size(), oldVersion.size());
    ASSERT_NE(newVersion, oldVersion);

    int restoredRuns[2] = {0, 0};  // from the package, staged
    for (const bool staged : {false, true}) {
        for (int kill = 1; kill <= (staged ? kStagedKills : kKills); ++kill) {
            SCOPED_TRACE(std::string(staged ? "staged, " : "from the package, ") + "kill " + std::to_string(kill) +
                         " of a run of " + std::to_string(length) + " ms");
            WriteOldVersion();
            RestorePending(staged);
            {
                auto exec = Start(ExecArguments());
                if (staged) {
                    ASSERT_TRUE(WaitForJournal());
                }
                Sleep(staged ? (kill - 1) * 4 : length * kill / (kKills + 1));
                TerminateProcess(exec->Handle(), 9);
                DWORD code = 0;
                ASSERT_TRUE(exec->WaitForEnd(10000, code));
            }
            // The next run of any kind: a check run whose download fails.
            DeleteFileA((UserData() + "\\update.log").c_str());
            // A refusal that is not tried again: a refused connection would be.
            auto check = Start(CheckArguments(HttpUrl("/status/404")));
            DWORD code = 1;
            ASSERT_TRUE(check->WaitForEnd(60000, code));

            const std::map<std::string, std::string> now = FolderTree(Installed("data"));
            EXPECT_TRUE(now == oldVersion || now == newVersion);
            EXPECT_FALSE(FileExists(Installed(".corvane-backup")));
            EXPECT_FALSE(FileExists(UserData() + "\\install.journal"));
            // The staging folder stays only with the pending update it belongs to.
            EXPECT_TRUE(!FileExists(Installed(".corvane-staged")) || FileExists(UserData() + "\\update\\staged.ok"));
            for (const std::string& line : LogMessages())
                if (line.rfind("recovery: ", 0) == 0 && line.rfind("recovery: 0 ", 0) != 0 &&
                    line.find("files restored") != std::string::npos)
                    ++restoredRuns[staged];
        }
    }
    // Some kills came in the middle of the copies, and some between renames.
    EXPECT_GT(restoredRuns[0], 0);
    EXPECT_GT(restoredRuns[1], 0);
}

}  // namespace
