// Runs of the real Updater fed by an attacker: the manifest's package name,
// the pending-update settings and the server are of their choosing. Every
// run ends with its failure logged, nothing outside the install folder and
// the user-data folder is written, replaced or deleted, and a failed
// download leaves the settings and an earlier pending package as they were.
#include "tests/app_updater/UpdaterTestSupport.h"

#include "base/PathUtil.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/TestMain.h"
#include "tests/support/TestSupport.h"

namespace {

class HostileInputTest : public UpdaterTest {
protected:
    std::string UpdateDir() const { return UserData() + "\\update"; }

    void PlaceManifest(const std::string& package)
    {
        ASSERT_TRUE(WriteFileBytes(UpdateDir() + "\\configure.xml",
                                   "<configure><package>" + package +
                                       "</package><filelist><file>readme.txt</file></filelist></configure>"));
    }

    void ExpectProductStartedAgain() { EXPECT_TRUE(WaitForStarts(productPath_, 2, 10000)); }
    // A force run stops the product only once the package is unpacked and checked.
    void ExpectProductLeftRunning()
    {
        EXPECT_TRUE(product_->Running());
        EXPECT_EQ(1u, StartRecords(productPath_).size());
    }
};

TEST_F(HostileInputTest, FailedDownloadsKeepThePendingUpdateAndTheSettings)
{
    const std::string uri = Serve("small");
    ASSERT_TRUE(RunToEnd(CheckArguments(uri)));
    const std::string package = UpdateDir() + "\\small-2.0.tar.xz";
    ASSERT_EQ(package, Setting("xz"));
    const std::string pending = ReadFileBytes(package);
    const std::string manifest = ReadFileBytes(UpdateDir() + "\\configure.xml");

    ScriptedServer errorPage(AnswerWithBody("<html><body>502 Bad Gateway</body></html>\n"));
    ScriptedServer liar(AnswerWithZeros(1ll << 50));
    const std::string dropping = HttpUrl("/drop" + uri.substr(HttpUrl("").size()));
    for (const std::string& base : {dropping, errorPage.Url("/e"), liar.Url("/l")}) {
        SCOPED_TRACE(base);
        ASSERT_TRUE(RunToEnd(CheckArguments(base)));
        EXPECT_EQ("downloading xz file: " + base + "/small-2.0.tar.xz failed.", LogMessages().back());
        EXPECT_TRUE(pending == ReadFileBytes(package)) << "the pending package changed";
        EXPECT_EQ(manifest, ReadFileBytes(UpdateDir() + "\\configure.xml"));
        // The earlier update's staged tree stays with it.
        EXPECT_EQ((std::vector<std::string>{"configure.xml", "small-2.0.tar.xz", "staged.ok"}),
                  FolderEntries(UpdateDir()));
        EXPECT_TRUE(FileExists(Installed(".corvane-staged\\small\\data\\version.txt")));
        EXPECT_EQ(package, Setting("xz"));
        EXPECT_EQ(UpdateDir() + "\\configure.xml", Setting("xml"));
        EXPECT_EQ("2.0", Setting("version"));
    }
    EXPECT_EQ(1, errorPage.Requests());
    EXPECT_EQ(1, liar.Requests());
    EXPECT_EQ(1u, StartRecords(productPath_).size());
}

TEST_F(HostileInputTest, PackageNamedAfterADeviceReachesNoDevice)
{
    // The name is refused before anything is fetched, so no byte of the
    // server's can reach the device.
    ScriptedServer server(AnswerWithBody(ReadFixture("small\\small-2.0.tar.xz")));
    PlaceManifest("COM1.tar.xz");
    ASSERT_TRUE(RunToEnd(CheckArguments(server.Url("/p")) + " --force 1"));
    EXPECT_EQ("downloading xz file: " + server.Url("/p") + "/COM1.tar.xz failed.", LogMessages().back());
    ExpectProductLeftRunning();

    PlaceManifest("nul.tar.xz");
    ASSERT_TRUE(RunToEnd(CheckArguments(server.Url("/p"))));
    EXPECT_EQ("downloading xz file: " + server.Url("/p") + "/nul.tar.xz failed.", LogMessages().back());
    EXPECT_EQ("", Setting("version"));
    EXPECT_EQ("", Setting("xz"));

    EXPECT_EQ(0, server.Requests());
    EXPECT_EQ(std::vector<std::string>{"configure.xml"}, FolderEntries(UpdateDir()));
}

TEST_F(HostileInputTest, ExecTakesNothingFromOutsideTheUpdateFolder)
{
    const std::string elsewhere = CurrentTestDir() + "\\elsewhere";
    const std::string package = elsewhere + "\\small-2.0.tar.xz";
    const std::string manifest = elsewhere + "\\configure.xml";
    const std::string victim = elsewhere + "\\small-2.0.tar";
    ASSERT_TRUE(WriteFileBytes(package, ReadFixture("small\\small-2.0.tar.xz")));
    ASSERT_TRUE(WriteFileBytes(manifest, ReadFixture("small\\configure.xml")));
    ASSERT_TRUE(WriteFileBytes(victim, "a file of another program"));
    const std::string settings = UserData() + "\\tavrin.ini";
    ASSERT_TRUE(WriteFileBytes(settings, "[update]\r\nxml=" + manifest + "\r\nxz=" + package + "\r\nversion=2.0\r\n"));

    ASSERT_TRUE(RunToEnd("--execUpdate --ParentProcessName " + productName_));
    EXPECT_TRUE(Contains(LogMessages(), "load xml: " + manifest + " occur error."));
    EXPECT_EQ("a file of another program", ReadFileBytes(victim));
    EXPECT_EQ(ReadFixture("small\\small-2.0.tar.xz"), ReadFileBytes(package));
    EXPECT_EQ(ReadFixture("small\\configure.xml"), ReadFileBytes(manifest));
    EXPECT_FALSE(FileExists(Installed("data\\version.txt")));
    EXPECT_EQ("", Setting("xz"));
    ExpectProductStartedAgain();
}

TEST_F(HostileInputTest, PackageClaimingAGiantDictionaryFailsToDecode)
{
    ASSERT_TRUE(RunToEnd(CheckArguments(Serve("bigdict")) + " --force 1"));
    EXPECT_TRUE(Contains(LogMessages(), "decompress xz file: " + UpdateDir() + "\\small-2.0.tar.xz failed."));
    EXPECT_FALSE(FileExists(Installed("data\\version.txt")));
    EXPECT_FALSE(FileExists(UpdateDir()));
    ExpectProductLeftRunning();
}

}  // namespace
