#include "tests/engine_flows/EngineTestSupport.h"

#include "tests/support/TestSupport.h"
#include "engine/Md5.h"
#include "engine/Paths.h"
#include "base/ScopedHandles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

class InstallFilesTest : public EngineTest {
protected:
    bool Install(const std::vector<FileEntry>& files) { return Worker().InstallFiles(sourceDir_, installDir_, files); }

    std::vector<int> UpdatePercents()
    {
        std::vector<int> percents;
        for (const StatusWindow::Status& status : TakePosts().statuses) {
            EXPECT_EQ(status.text, "正在更新: " + std::to_string(status.percent) + "%");
            percents.push_back(status.percent);
        }
        return percents;
    }
};

TEST_F(InstallFilesTest, CurrentFileIsSkippedButItsFoldersAreMade)
{
    FileEntry entry = Source("deep\\er\\same.txt", "same bytes");
    for (char& c : entry.md5)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    ASSERT_TRUE(WriteFileBytes(Installed("deep\\er\\same.txt"), "same bytes"));
    // A deferred entry is not copied into the install folder, yet its folder is made there.
    const FileEntry skin = Source("Skin\\update.zip", "skin v2");

    EXPECT_TRUE(Install({entry, skin}));
    EXPECT_EQ(LogMessages(), std::vector<std::string>{"file: update.zip will be updated after next open."});
    EXPECT_TRUE(FileExists(Installed("Skin")));
    EXPECT_FALSE(FileExists(Installed("Skin\\update.zip")));
}

TEST_F(InstallFilesTest, LockedSecondFileStopsTheInstallation)
{
    const std::vector<FileEntry> files = {Source("one.txt", "one v2"), Source("two.txt", "two v2"),
                                          Source("three.txt", "three v2")};
    ASSERT_TRUE(WriteFileBytes(Installed("one.txt"), "one v1"));
    ASSERT_TRUE(WriteFileBytes(Installed("two.txt"), "two v1"));
    ASSERT_TRUE(WriteFileBytes(Installed("three.txt"), "three v1"));
    ScopedHandle lock(CreateFileA(Installed("two.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock.Valid());

    EXPECT_FALSE(Install(files));
    lock.Reset();
    // The first file is put back: the product never runs on two versions.
    EXPECT_EQ(ReadFileBytes(Installed("one.txt")), "one v1");
    EXPECT_EQ(ReadFileBytes(Installed("two.txt")), "two v1");
    EXPECT_EQ(ReadFileBytes(Installed("three.txt")), "three v1");
    const std::vector<std::string> expected = {
        "file: " + Installed("one.txt") + " updated.",
        "copyfile: " + sourceDir_ + "\\two.txt " + Installed("two.txt") + " failed, errcode[32].",
        "rollback: 1 files restored.",
    };
    EXPECT_EQ(LogMessages(), expected);
}

TEST_F(InstallFilesTest, OwnSkinArchiveIsDeferredOnlyWithABackslash)
{
    const FileEntry deferred = Source("Skin\\update.zip", "skin v2");
    EXPECT_TRUE(Install({deferred}));
    EXPECT_EQ(ReadFileBytes(GetUserDataDir() + "\\update.zip"), "skin v2");
    EXPECT_FALSE(FileExists(Installed("Skin\\update.zip")));

    const FileEntry slashed{"Skin/update.zip", deferred.md5};
    EXPECT_TRUE(Install({slashed}));
    EXPECT_EQ(ReadFileBytes(Installed("Skin\\update.zip")), "skin v2");
    const std::vector<std::string> expected = {"file: update.zip will be updated after next open.",
                                               "file: " + Installed("Skin\\update.zip") + " updated."};
    EXPECT_EQ(LogMessages(), expected);
}

TEST_F(InstallFilesTest, OwnExecutableInOtherCaseIsDeferred)
{
    const FileEntry exe = Source("corvaneUPDATER.exe", "updater v2");
    EXPECT_TRUE(Install({exe}));
    EXPECT_EQ(ReadFileBytes(GetUserDataDir() + "\\corvaneUPDATER.exe"), "updater v2");
    EXPECT_FALSE(FileExists(Installed("corvaneUPDATER.exe")));
    EXPECT_EQ(LogMessages(), std::vector<std::string>{"file: corvaneUPDATER.exe will be updated after next open."});
}

TEST_F(InstallFilesTest, FailedDeferredCopyLeavesNoPartialFile)
{
    // The source is missing and has no digest to check, so only the copy fails.
    const FileEntry skin{"Skin\\update.zip", ""};
    ASSERT_TRUE(CreateDirectoryA(sourceDir_.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((sourceDir_ + "\\Skin").c_str(), nullptr));
    EXPECT_FALSE(Install({skin}));
    EXPECT_FALSE(FileExists(GetUserDataDir() + "\\update.zip"));
    const std::vector<std::string> expected = {
        "copyfile: " + sourceDir_ + "\\Skin\\update.zip " + GetUserDataDir() + "\\update.zip failed, errcode[2].",
        "rollback: 0 files restored."};
    EXPECT_EQ(LogMessages(), expected);
}

TEST_F(InstallFilesTest, ProgressIsPostedPerEntryExceptInExecMode)
{
    std::vector<FileEntry> four;
    for (int i = 0; i < 4; ++i)
        four.push_back(Source("f" + std::to_string(i) + ".txt", "content " + std::to_string(i)));
    EXPECT_TRUE(Install(four));
    EXPECT_EQ(UpdatePercents(), (std::vector<int>{25, 50, 75, 100}));

    // Current files count as well: the percentages follow the entries.
    four.pop_back();
    EXPECT_TRUE(Install(four));
    EXPECT_EQ(UpdatePercents(), (std::vector<int>{25, 50, 75, 100, 33, 66, 100}));

    options_.mode = kExecMode;
    EXPECT_TRUE(Install(four));
    EXPECT_EQ(UpdatePercents().size(), 7u);
}

TEST_F(InstallFilesTest, BusyIsUpWhileFilesAreCopied)
{
    std::vector<FileEntry> files;
    for (int i = 0; i < 4; ++i)
        files.push_back(Source("big" + std::to_string(i) + ".bin", std::string(8 << 20, static_cast<char>('a' + i))));
    EXPECT_FALSE(worker_.IsBusy());

    std::atomic<bool> done{false};
    std::atomic<bool> seenBusy{false};
    std::thread installer([&] {
        EXPECT_TRUE(Install(files));
        done = true;
    });
    while (!done)
        if (worker_.IsBusy())
            seenBusy = true;
    installer.join();
    EXPECT_TRUE(seenBusy);
    EXPECT_FALSE(worker_.IsBusy());
    EXPECT_EQ(FileMd5Hex(Installed("big3.bin")), files[3].md5);
}

TEST_F(InstallFilesTest, MissingTargetWithoutDigestIsCopied)
{
    FileEntry entry = Source("new.txt", "brand new");
    entry.md5.clear();
    EXPECT_TRUE(Install({entry}));
    EXPECT_EQ(ReadFileBytes(Installed("new.txt")), "brand new");
}

TEST_F(InstallFilesTest, DamagedSourceFailsBeforeAnythingIsReplaced)
{
    const FileEntry good = Source("good.txt", "good v2");
    FileEntry damaged = Source("damaged.txt", "damaged v2");
    ASSERT_TRUE(WriteFileBytes(sourceDir_ + "\\damaged.txt", "tampered"));
    ASSERT_TRUE(WriteFileBytes(Installed("good.txt"), "good v1"));

    EXPECT_FALSE(Install({good, damaged}));
    EXPECT_EQ(ReadFileBytes(Installed("good.txt")), "good v1");
    EXPECT_FALSE(FileExists(Installed("damaged.txt")));
    EXPECT_EQ(LogMessages(), std::vector<std::string>{"file: damaged.txt md5 check failed."});
    EXPECT_FALSE(worker_.IsBusy());
}

TEST_F(InstallFilesTest, EntriesOutsideTheInstallFolderFailTheInstallation)
{
    const FileEntry good = Source("good.txt", "good v2");
    for (const char* path : {"..\\escaped.txt", "sub/../../escaped.txt", "C:\\escaped.txt", "\\escaped.txt",
                             "bin\\aux.dll", "LPT1\\x.txt", "nul"}) {
        const FileEntry outside{path, good.md5};
        EXPECT_FALSE(Install({good, outside})) << path;
        EXPECT_FALSE(FileExists(Installed("good.txt"))) << path;
        EXPECT_EQ(LogMessages().back(), std::string("file: ") + path + " is outside the install folder.");
    }
    EXPECT_FALSE(FileExists(TestTempDir() + "\\escaped.txt"));
}

TEST_F(InstallFilesTest, ReadOnlyTargetsAreReplaced)
{
    const FileEntry plain = Source("plain.txt", "plain v2");
    const FileEntry skin = Source("Skin\\update.zip", "skin v2");
    const std::string aside = GetUserDataDir() + "\\update.zip";
    for (const std::string& path : {Installed("plain.txt"), aside}) {
        ASSERT_TRUE(WriteFileBytes(path, "v1"));
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    }

    EXPECT_TRUE(Install({plain, skin}));
    EXPECT_EQ(ReadFileBytes(Installed("plain.txt")), "plain v2");
    EXPECT_EQ(ReadFileBytes(aside), "skin v2");
    for (const std::string& path : {Installed("plain.txt"), aside})
        EXPECT_EQ(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u) << path;
}

}  // namespace
