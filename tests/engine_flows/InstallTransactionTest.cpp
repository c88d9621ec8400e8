// Installations that fail, are killed or race a close request: the install
// folder ends exactly as it was before or exactly as the package has it.
#include "tests/engine_flows/EngineTestSupport.h"

#include "app/RunStart.h"
#include "base/ScopedHandles.h"
#include "engine/InstallTransaction.h"
#include "engine/Md5.h"
#include "engine/Paths.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <thread>

namespace {

class InstallTransactionTest : public EngineTest {
protected:
    // Five installed files, a new file in a new folder at position 1 and a
    // read-only old file; a package that changes them all.
    std::vector<FileEntry> OldTreeAndPackage(const std::string& root)
    {
        std::vector<FileEntry> files;
        for (int i = 0; i < 5; ++i) {
            const std::string name = "bin\\f" + std::to_string(i) + ".dll";
            EXPECT_TRUE(WriteFileBytes(root + "\\" + name, "old " + std::to_string(i)));
            files.push_back(Source(name, "new " + std::to_string(i)));
        }
        SetFileAttributesA((root + "\\bin\\f0.dll").c_str(), FILE_ATTRIBUTE_READONLY);
        files.insert(files.begin() + 1, Source("plugins\\deep\\added.dll", "added"));
        return files;
    }
};

TEST_F(InstallTransactionTest, AFailedCopyPutsTheInstallFolderBackAsItWas)
{
    struct Case {
        const char* name;
        size_t failing;       // the entry that cannot be replaced
        bool folderInTheWay;  // a folder instead of a lock in its place
        int error;
        int restored;  // entries replaced or made before it
    };
    const Case cases[] = {
        {"first", 0, false, ERROR_SHARING_VIOLATION, 0},
        {"middle", 3, false, ERROR_SHARING_VIOLATION, 3},
        {"last", 5, false, ERROR_SHARING_VIOLATION, 5},
        {"folder", 3, true, ERROR_ACCESS_DENIED, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string root = TestTempDir() + "\\" + c.name;
        const std::vector<FileEntry> files = OldTreeAndPackage(root);
        const std::string failing = root + "\\" + files[c.failing].path;
        if (c.folderInTheWay) {
            ASSERT_TRUE(DeleteFileA(failing.c_str()));
            ASSERT_TRUE(WriteFileBytes(failing + "\\inside.txt", "a folder's file"));
        }
        const std::map<std::string, std::string> before = FolderTree(root);
        ScopedHandle lock;
        if (!c.folderInTheWay)
            lock.Reset(CreateFileA(failing.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));

        EXPECT_FALSE(Worker().InstallFiles(sourceDir_, root, files));
        lock.Reset();
        EXPECT_EQ(FolderTree(root), before);
        const std::vector<std::string> log = LogMessages();
        ASSERT_GE(log.size(), 2u);
        EXPECT_EQ(log[log.size() - 2], "copyfile: " + sourceDir_ + "\\" + files[c.failing].path + " " + failing +
                                           " failed, errcode[" + std::to_string(c.error) + "].");
        EXPECT_EQ(log.back(), "rollback: " + std::to_string(c.restored) + " files restored.");
        EXPECT_FALSE(FileExists(InstallTransaction::JournalPath()));
    }
    EXPECT_FALSE(worker_.IsBusy());
}

TEST_F(InstallTransactionTest, ACommittedInstallationLeavesNoBackupsOrJournal)
{
    const std::string root = TestTempDir() + "\\committed";
    const std::vector<FileEntry> files = OldTreeAndPackage(root);
    EXPECT_TRUE(Worker().InstallFiles(sourceDir_, root, files));
    for (const FileEntry& entry : files)
        EXPECT_EQ(FileMd5Hex(root + "\\" + entry.path), entry.md5) << entry.path;
    // The old copies stay, marked done, until the product runs again.
    EXPECT_TRUE(FileExists(root + "\\" + InstallTransaction::kBackupFolderName));
    EXPECT_TRUE(FileExists(InstallTransaction::JournalPath()));
    Worker().FinishInstallation();
    EXPECT_FALSE(FileExists(root + "\\" + InstallTransaction::kBackupFolderName));
    EXPECT_FALSE(FileExists(InstallTransaction::JournalPath()));

    // The backups and the staging folder are the Updater's own: nothing is
    // installed there.
    for (const auto& [folder, name] : {std::pair{InstallTransaction::kBackupFolderName, "backup"},
                                       std::pair{InstallTransaction::kStagingFolderName, "staging"}}) {
        const FileEntry reserved = Source(std::string(folder) + "\\x.dll", "x");
        EXPECT_FALSE(Worker().InstallFiles(sourceDir_, root, {reserved}));
        EXPECT_EQ(LogMessages().back(), "file: " + reserved.path + " lies in the Updater's " + name + " folder.");
    }
}

// A run killed during an installation leaves its journal and backups; the
// next run puts the folder back, or finishes a committed one's clean-up.
TEST_F(InstallTransactionTest, RecoveryFollowsTheJournal)
{
    struct Case {
        const char* name;
        const char* records;  // after the header and root lines
        bool installedAfter;  // the new files stay
        const char* logLine;  // {root} stands for the install folder
    };
    const Case cases[] = {
        {"cut", "d plugins\r\nn plugins\\added.dll\r\nk a.dll\r\nk b.dll\r\nbegin\r\n", false,
         "recovery: 2 files restored in {root} after an interrupted installation."},
        {"done", "d plugins\r\nn plugins\\added.dll\r\nk a.dll\r\nk b.dll\r\nbegin\r\ndone\r\n", true,
         "recovery: the clean-up of a completed installation in {root} was finished."},
        {"unbegun", "d plugins\r\nn plugins\\added.dll\r\nk a.d", true,
         "recovery: 0 files restored in {root} after an interrupted installation."},
        {"hostile", "n ..\\outside.dll\r\nbegin\r\n", true,
         "recovery: install journal {journal} is unreadable; set aside as {journal}.bad."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string root = TestTempDir() + "\\" + c.name;
        const std::string backups = root + "\\" + InstallTransaction::kBackupFolderName;
        // What a kill after the second replacement leaves: a.dll replaced,
        // its old copy in the backups, b.dll never moved, added.dll made.
        ASSERT_TRUE(WriteFileBytes(root + "\\a.dll", "a new"));
        ASSERT_TRUE(WriteFileBytes(backups + "\\2", "a old"));  // kept by the plan's third step
        ASSERT_TRUE(WriteFileBytes(root + "\\b.dll", "b old"));
        ASSERT_TRUE(WriteFileBytes(root + "\\plugins\\added.dll", "added"));
        ASSERT_TRUE(WriteFileBytes(TestTempDir() + "\\outside.dll", "outside"));
        ASSERT_TRUE(WriteFileBytes(InstallTransaction::JournalPath(),
                                   "corvane install journal 2\r\nroot " + root + "\r\n" + c.records));

        EXPECT_TRUE(InstallTransaction::Recover(root));
        std::string expected = c.logLine;
        const std::string journal = InstallTransaction::JournalPath();
        for (const auto& [tag, value] : {std::pair{"{root}", root}, std::pair{"{journal}", journal}})
            for (size_t at; (at = expected.find(tag)) != std::string::npos;)
                expected.replace(at, strlen(tag), value);
        EXPECT_EQ(LogMessages().back(), expected);
        EXPECT_EQ(ReadFileBytes(root + "\\a.dll"), c.installedAfter ? "a new" : "a old");
        EXPECT_EQ(ReadFileBytes(root + "\\b.dll"), "b old");
        EXPECT_EQ(FileExists(root + "\\plugins"), c.installedAfter);
        EXPECT_EQ(ReadFileBytes(TestTempDir() + "\\outside.dll"), "outside");
        EXPECT_FALSE(FileExists(journal));
        EXPECT_EQ(FileExists(backups), std::string(c.name) == "hostile");
        EXPECT_FALSE(InstallTransaction::Recover(root));
    }
}

// A close request and the start of an installation race on two threads: a
// close that goes through means no file changes afterwards.
TEST_F(InstallTransactionTest, AnAcceptedCloseNeverMeetsAnInstallationAfterIt)
{
    std::mt19937 random(20261208);
    int refused = 0;
    int accepted = 0;
    for (int round = 0; round < 150; ++round) {
        const std::string root = TestTempDir() + "\\race" + std::to_string(round);
        ASSERT_TRUE(WriteFileBytes(root + "\\a.dll", "a old"));
        ASSERT_TRUE(WriteFileBytes(root + "\\b.dll", "b old"));
        const std::vector<FileEntry> files = {Source("a.dll", "a new"), Source("b.dll", "b new")};

        UpdateWorker worker;
        worker.SetContext(MakeFlowContext(options_));
        std::atomic<bool> atGap{false};
        const int hold = static_cast<int>(random() % 3000);
        worker.SetBeforeInstallHook([&] {
            atGap = true;
            for (volatile int spin = 0; spin < hold; ++spin) {}
        });
        std::thread flow([&] { (void)worker.InstallFiles(sourceDir_, root, files); });
        while (!atGap) {}
        for (int spin = static_cast<int>(random() % 3000); spin > 0; --spin)
            std::this_thread::yield();
        bool ended = worker.BeginEnding();
        if (!ended)
            ++refused;
        while (!ended)
            ended = worker.BeginEnding();
        ++accepted;
        const std::map<std::string, std::string> atClose = FolderTree(root);
        flow.join();
        EXPECT_EQ(FolderTree(root), atClose) << "round " << round;
    }
    EXPECT_EQ(accepted, 150);
    // Both sides of the race were met: some closes came during installation.
    EXPECT_GT(refused, 0);
}

}  // namespace
