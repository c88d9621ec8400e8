#include "tests/engine_flows/EngineTestSupport.h"

#include "tests/support/ProcessProbe.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/TestSupport.h"
#include "engine/HttpDownloader.h"
#include "engine/Paths.h"
#include "base/ScopedHandles.h"
#include "engine/Settings.h"

#include <gtest/gtest.h>

namespace {

class FlowsTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        InstallProduct("corvprod", "1.2");
        // The old version of the product's files.
        ASSERT_TRUE(WriteFileBytes(Installed("bin\\core.dll"), "core version 1\n"));
        ASSERT_TRUE(WriteFileBytes(Installed("data\\table.dat"), "table version 1\n"));
        ASSERT_TRUE(WriteFileBytes(Installed("readme.txt"), "readme version 1\r\n"));
    }

    void LoadCheckManifestFixture() { LoadCheckManifest(ReadFileBytes(Fixture("flow\\configure.xml"))); }

    // The exec run's line for the recorded manifest, taken unchecked without keys.
    static std::string UncheckedLine()
    {
        return "manifest: " + GetUpdateDir() +
               "\\configure.xml used without a signature check, since no key is built in.";
    }

    // The downloader's line for a package fetched without a proxy.
    std::string DirectLine(const std::string& package = "flowpkg-1.2.tar.xz") const
    {
        return "downloading " + options_.uri + "/" + package + ": no proxy.";
    }

    // Records a pending update as a successful silent run leaves it.
    void MakePending(const std::string& fixtures = "flow")
    {
        const std::string manifest = GetUpdateDir() + "\\configure.xml";
        const std::string package = GetUpdateDir() + "\\flowpkg-1.2.tar.xz";
        ASSERT_TRUE(CopyTo(Fixture(fixtures + "\\configure.xml"), manifest));
        ASSERT_TRUE(CopyTo(Fixture(fixtures + "\\flowpkg-1.2.tar.xz"), package));
        WriteXmlSetting(manifest);
        WriteXzSetting(package);
        WriteVersionSetting("1.2");
    }

    void ExpectNewVersionInstalled()
    {
        EXPECT_EQ(ReadFileBytes(Installed("bin\\core.dll")), "core version 2\n");
        EXPECT_EQ(ReadFileBytes(Installed("data\\table.dat")), "table version 2\n");
        EXPECT_EQ(ReadFileBytes(Installed("readme.txt")), "readme version 2\r\n");
    }

    void ExpectSettingsBlank()
    {
        for (const char* key : {"xml", "xz", "version"}) {
            EXPECT_TRUE(HasSetting(key)) << key;
            EXPECT_EQ(ReadSetting(key), "") << key;
        }
    }

    std::vector<std::string> TextsPosted()
    {
        std::vector<std::string> texts;
        for (const StatusWindow::Status& status : TakePosts().statuses)
            texts.push_back(status.text);
        return texts;
    }
};

std::vector<std::string> Concat(std::vector<std::string> first, const std::vector<std::string>& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

std::vector<std::string> InstalledLines(const std::string& installDir)
{
    return {"file: " + installDir + "\\bin\\core.dll updated.", "file: " + installDir + "\\data\\table.dat updated.",
            "file: " + installDir + "\\readme.txt updated."};
}

TEST_F(FlowsTest, SilentSuccessRecordsThePendingUpdateAndLeavesTheProduct)
{
    Serve("flow\\flowpkg-1.2.tar.xz", "flowpkg-1.2.tar.xz");
    LoadCheckManifestFixture();
    ChildProcess product(productPath_);
    ASSERT_TRUE(WaitForStarts(productPath_, 1, 10000));

    EXPECT_EQ(Worker().CheckUpdateProc(), 0);
    EXPECT_EQ(ReadSetting("xml"), GetUpdateDir() + "\\configure.xml");
    EXPECT_EQ(ReadSetting("xz"), GetUpdateDir() + "\\flowpkg-1.2.tar.xz");
    EXPECT_EQ(ReadSetting("version"), "1.2");
    EXPECT_EQ(ReadFileBytes(ReadSetting("xz")), ReadFileBytes(Fixture("flow\\flowpkg-1.2.tar.xz")));
    EXPECT_TRUE(product.Running());
    EXPECT_EQ(StartRecords(productPath_).size(), 1u);
    EXPECT_EQ(ReadFileBytes(Installed("readme.txt")), "readme version 1\r\n");
    EXPECT_EQ(LogMessages(), (std::vector<std::string>{"begin to entering silent mode.", DirectLine()}));
    const std::vector<std::string> texts = TextsPosted();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.front(), "准备下载...");
    EXPECT_EQ(posted_.closes, 1);
}

TEST_F(FlowsTest, SilentFailedDownloadKeepsTheSettings)
{
    Serve("flow\\configure.xml", "unrelated.txt");
    LoadCheckManifestFixture();
    WriteXmlSetting("earlier.xml");
    WriteXzSetting("earlier.tar.xz");
    WriteVersionSetting("1.1");

    EXPECT_EQ(Worker().CheckUpdateProc(), 0);
    EXPECT_EQ(ReadSetting("xml"), "earlier.xml");
    EXPECT_EQ(ReadSetting("xz"), "earlier.tar.xz");
    EXPECT_EQ(ReadSetting("version"), "1.1");
    EXPECT_TRUE(StartRecords(productPath_).empty());
    const std::vector<std::string> expected = {
        "begin to entering silent mode.", DirectLine(),
        "downloading xz file: " + options_.uri + "/flowpkg-1.2.tar.xz failed."};
    EXPECT_EQ(LogMessages(), expected);
    EXPECT_EQ(TakePosts().closes, 1);
}

TEST_F(FlowsTest, SilentRefusedPackageLeavesThePendingOneOfItsName)
{
    MakePending();
    const std::string pending = ReadSetting("xz");
    // The same files packed harder: an xz stream of the package's name that
    // is not the manifest's package.
    Serve("preset9e\\flowpkg-1.2.tar.xz", "flowpkg-1.2.tar.xz");
    LoadCheckManifestFixture();

    EXPECT_EQ(Worker().CheckUpdateProc(), 0);
    EXPECT_EQ(ReadFileBytes(pending), ReadFileBytes(Fixture("flow\\flowpkg-1.2.tar.xz")));
    EXPECT_EQ(ReadSetting("xz"), pending);
    EXPECT_EQ(ReadSetting("version"), "1.2");
    const std::vector<std::string> logged = LogMessages();
    ASSERT_EQ(logged.size(), 4u);
    EXPECT_EQ(logged[2].rfind("package: " + pending + " refused, its ", 0), 0u) << logged[2];
    EXPECT_EQ(logged[3], "downloading xz file: " + options_.uri + "/flowpkg-1.2.tar.xz failed.");
}

TEST_F(FlowsTest, ForceSuccessStopsInstallsAndStartsTheProduct)
{
    Serve("flow\\flowpkg-1.2.tar.xz", "flowpkg-1.2.tar.xz");
    LoadCheckManifestFixture();
    options_.force = 1;
    ChildProcess product(productPath_);
    ASSERT_TRUE(WaitForStarts(productPath_, 1, 10000));

    EXPECT_EQ(Worker().CheckUpdateProc(), 0);
    DWORD exitCode = 1234;
    ASSERT_TRUE(product.WaitForEnd(10000, exitCode));
    EXPECT_EQ(exitCode, 0u);
    ExpectNewVersionInstalled();
    ASSERT_TRUE(WaitForStarts(productPath_, 2, 10000));
    EXPECT_NE(StartRecords(productPath_)[1].pid, product.Id());
    EXPECT_EQ(LogMessages(), Concat({"begin to entering force mode.", DirectLine()}, InstalledLines(installDir_)));
    const std::vector<std::string> texts = TextsPosted();
    ASSERT_GE(texts.size(), 4u);
    EXPECT_EQ(texts.front(), "准备下载...");
    EXPECT_EQ(std::vector<std::string>(texts.end() - 3, texts.end()),
              (std::vector<std::string>{"正在更新: 33%", "正在更新: 66%", "正在更新: 100%"}));
    EXPECT_EQ(posted_.closes, 1);
    ExpectSettingsBlank();
    EXPECT_FALSE(worker_.IsBusy());
}

// Nothing is stopped before the package is unpacked and checked, so a
// package that cannot be unpacked leaves the product running.
TEST_F(FlowsTest, ForceWithBadSuffixLeavesTheProductRunning)
{
    Serve("flow\\flowpkg-1.2.tar.xz", "flowpkg-1.2.zip");
    LoadCheckManifest("<configure><package>flowpkg-1.2.zip</package><filelist>"
                      "<file>readme.txt</file></filelist></configure>");
    options_.force = 1;
    ChildProcess product(productPath_);
    ASSERT_TRUE(WaitForStarts(productPath_, 1, 10000));

    EXPECT_EQ(Worker().CheckUpdateProc(), 0);
    DWORD exitCode = 1234;
    EXPECT_FALSE(product.WaitForEnd(0, exitCode));
    EXPECT_EQ(StartRecords(productPath_).size(), 1u);
    const std::vector<std::string> expected = {
        "begin to entering force mode.", DirectLine("flowpkg-1.2.zip"),
        "xz file: " + GetUpdateDir() + "\\flowpkg-1.2.zip bad format extend name."};
    EXPECT_EQ(LogMessages(), expected);
    EXPECT_EQ(ReadFileBytes(Installed("readme.txt")), "readme version 1\r\n");
    EXPECT_EQ(TakePosts().closes, 1);
}

TEST_F(FlowsTest, ExecSuccessInstallsBlanksAndStartsTheProduct)
{
    options_.mode = kExecMode;
    MakePending();

    EXPECT_TRUE(Worker().ExecUpdateProc());
    ExpectNewVersionInstalled();
    ExpectSettingsBlank();
    EXPECT_TRUE(WaitForStarts(productPath_, 1, 10000));
    EXPECT_EQ(LogMessages(), Concat(Concat({"begin updating files from the xml config.", UncheckedLine()},
                                           InstalledLines(installDir_)),
                                    {"updated successfully."}));
    // Exec mode shows no installation progress.
    EXPECT_EQ(TextsPosted(), std::vector<std::string>{"正在初始化更新..."});
    EXPECT_EQ(posted_.statuses.front().percent, -1);
    EXPECT_EQ(posted_.closes, 1);
}

TEST_F(FlowsTest, ExecInstallsAPaxPackageFromGnuTar)
{
    options_.mode = kExecMode;
    MakePending("flow-pax");

    EXPECT_TRUE(Worker().ExecUpdateProc());
    ExpectNewVersionInstalled();
    ExpectSettingsBlank();
    EXPECT_TRUE(WaitForStarts(productPath_, 1, 10000));
    EXPECT_EQ(LogMessages(), Concat(Concat({"begin updating files from the xml config.", UncheckedLine()},
                                           InstalledLines(installDir_)),
                                    {"updated successfully."}));
    EXPECT_EQ(TakePosts().closes, 1);
}

TEST_F(FlowsTest, ExecWithNothingPendingStartsTheProduct)
{
    options_.mode = kExecMode;

    EXPECT_FALSE(Worker().ExecUpdateProc());
    const std::vector<std::string> expected = {"begin updating files from the xml config.", "load xml:  occur error."};
    EXPECT_EQ(LogMessages(), expected);
    ExpectSettingsBlank();
    EXPECT_TRUE(WaitForStarts(productPath_, 1, 10000));
    EXPECT_EQ(ReadFileBytes(Installed("readme.txt")), "readme version 1\r\n");
    EXPECT_EQ(TakePosts().closes, 1);
}

TEST_F(FlowsTest, ExecWithLockedSecondFileRollsBackAndFails)
{
    options_.mode = kExecMode;
    MakePending();
    ScopedHandle lock(
        CreateFileA(Installed("data\\table.dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock.Valid());

    EXPECT_FALSE(Worker().ExecUpdateProc());
    lock.Reset();
    // The replaced first file is put back: the product restarts on its old version.
    EXPECT_EQ(ReadFileBytes(Installed("bin\\core.dll")), "core version 1\n");
    EXPECT_EQ(ReadFileBytes(Installed("data\\table.dat")), "table version 1\n");
    EXPECT_EQ(ReadFileBytes(Installed("readme.txt")), "readme version 1\r\n");
    ExpectSettingsBlank();
    EXPECT_TRUE(WaitForStarts(productPath_, 1, 10000));
    const std::vector<std::string> expected = {"begin updating files from the xml config.",
                                               UncheckedLine(),
                                               "file: " + installDir_ + "\\bin\\core.dll updated.",
                                               "copyfile: " + GetUpdateDir() + "\\flowpkg\\data\\table.dat " +
                                                   installDir_ + "\\data\\table.dat failed, errcode[32].",
                                               "rollback: 1 files restored.",
                                               "updated failed."};
    EXPECT_EQ(LogMessages(), expected);
    EXPECT_EQ(TakePosts().closes, 1);
}

// Waits for the stall limit once: about a minute, in a CTest test of its own.
TEST_F(FlowsTest, StalledDownloadFailsAfterTheStallLimit)
{
    ScriptedServer trickle(AnswerWithTrickle(5000));
    options_.uri = trickle.Url("/t");
    // The trickle is not the package of the fixture's manifest, whose size
    // would stop it at once: only the package's name is given.
    LoadCheckManifest("<configure><package>flowpkg-1.2.tar.xz</package></configure>");

    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(Worker().CheckUpdateProc(), 0);
    const ULONGLONG took = GetTickCount64() - start;
    EXPECT_GE(took, HttpDownloader::kStallSeconds * 1000ull);
    EXPECT_LT(took, 3 * HttpDownloader::kStallSeconds * 1000ull);
    EXPECT_EQ(LogMessages().back(), "downloading xz file: " + options_.uri + "/flowpkg-1.2.tar.xz failed.");
    EXPECT_EQ(FolderEntries(GetUpdateDir()), std::vector<std::string>{"configure.xml"});
    EXPECT_FALSE(HasSetting("xz"));
    EXPECT_EQ(TakePosts().closes, 1);
}

}  // namespace
