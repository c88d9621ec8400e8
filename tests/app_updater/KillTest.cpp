// The real Updater killed at any moment of an exec run: the next run leaves
// the product exactly on its old version or exactly on the new one.
#include "tests/app_updater/UpdaterTestSupport.h"

#include "base/PathUtil.h"
#include "tests/support/TestMain.h"
#include "tests/support/TestSupport.h"

#include <filesystem>
#include <map>

namespace {

constexpr int kFiles = 400;  // the "many" fixture's files
constexpr int kKills = 20;

void CopyTree(const std::string& from, const std::string& to)
{
    std::error_code ec;
    std::filesystem::remove_all(to, ec);
    std::filesystem::copy(from, to, std::filesystem::copy_options::recursive, ec);
    ASSERT_FALSE(ec) << from << ": " << ec.message();
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

    // The pending update as the silent run left it: the update folder and
    // the settings file.
    void SavePending() { CopyTree(UserData(), TestTempDir() + "\\pending"); }
    void RestorePending()
    {
        std::error_code ec;
        std::filesystem::remove_all(UserData() + "\\update", ec);
        CopyTree(TestTempDir() + "\\pending\\update", UserData() + "\\update");
        ASSERT_TRUE(CopyFileA((TestTempDir() + "\\pending\\tavrin.ini").c_str(), (UserData() + "\\tavrin.ini").c_str(),
                              FALSE));
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
    WriteOldVersion();
    SavePending();
    const std::map<std::string, std::string> oldVersion = FolderTree(Installed("data"));

    // A whole run first: its length spreads the kills over it.
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

    int restoredRuns = 0;
    for (int kill = 1; kill <= kKills; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill) + " of a run of " + std::to_string(length) + " ms");
        WriteOldVersion();
        RestorePending();
        {
            auto exec = Start(ExecArguments());
            Sleep(length * kill / (kKills + 1));
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
        for (const std::string& line : LogMessages())
            if (line.rfind("recovery: ", 0) == 0 && line.rfind("recovery: 0 ", 0) != 0)
                ++restoredRuns;
    }
    // Some kills came in the middle of the installation.
    EXPECT_GT(restoredRuns, 0);
}

}  // namespace
