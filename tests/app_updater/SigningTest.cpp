// Signed manifests with the real Updater: a copy of it with the test keys
// built in (written into its resource, as the build puts a publisher's keys
// there) takes only manifests signed by one of them, of the version it was
// offered and no older than the last one installed, and only packages and
// files with the manifest's SHA-256.
#include "tests/app_updater/UpdaterTestSupport.h"

#include "base/PathUtil.h"
#include "base/ResourceUpdate.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <filesystem>

namespace {

// The id of the key that a fixture's manifest was signed with.
std::string SigningKeyId(const std::string& fixture)
{
    const std::string text = ReadFileBytes(FixturePath(fixture + "\\configure.xml.sig"));
    const size_t start = text.find("key ") + 4;
    return text.substr(start, text.find('\r', start) - start);
}

class SigningTest : public UpdaterTest {
protected:
    void SetUp() override
    {
        UpdaterTest::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(WriteRcDataResource(Installed("CorvaneUpdater.exe"), L"MANIFESTKEYS",
                                        ReadFileBytes(FixturePath("signing\\keys.txt"))));
    }
};

TEST_F(SigningTest, OnlyWhatABuiltInKeySignedIsInstalled)
{
    const std::string update = UserData() + "\\update";
    const std::string manifest = update + "\\configure.xml";
    const std::string refused = "manifest: " + manifest + " refused, ";
    const std::string signedBy = "manifest: " + manifest + " signed by the key ";
    struct Case {
        const char* name;
        const char* fixture;
        const char* version;  // --version
        const char* run;      // "force", "silent", or "exec": silent, then the change, then exec
        const char* change;   // to the manifest in the update folder, before the run that is judged
        std::string line;     // the log line of the outcome
        bool installed;
    };
    // In this order: the first two install 2.0, which the replay is older than.
    const Case cases[] = {
        {"key 1", "signing\\signed1", "2.0", "force", "", signedBy + SigningKeyId("signing\\signed1") + ".", true},
        {"key 2", "signing\\signed2", "2.0", "force", "", signedBy + SigningKeyId("signing\\signed2") + ".", true},
        {"unsigned", "small", "2.0", "force", "", refused + "its signature file " + manifest + ".sig cannot be read.",
         false},
        {"unknown key", "signing\\unknown", "2.0", "force", "",
         refused + "it is signed by the unknown key \"" + SigningKeyId("signing\\unknown") + "\".", false},
        {"one byte changed", "signing\\signed1", "2.0", "exec", "change a byte",
         refused + "its signature by the key " + SigningKeyId("signing\\signed1") + " does not match it.", false},
        {"signature cut", "signing\\signed1", "2.0", "force", "cut the signature",
         refused + "its signature file is malformed.", false},
        {"replayed older", "signing\\old", "1.0", "force", "",
         refused + "its version \"1.0\" is older than the installed \"2.0\".", false},
        {"not --version", "signing\\signed1", "3.0", "force", "",
         refused + "its version \"2.0\" is not the version \"3.0\" it was offered as.", false},
        {"package sha256", "signing\\badpackage", "2.0", "silent", "",
         "package: " + update + "\\small-2.0.tar.xz refused, its sha256 is not the manifest's.", false},
        {"file sha256, md5 right", "signing\\badfile", "2.0", "force", "",
         "file: data\\version.txt sha256 check failed.", false},
        // Stopped at the manifest's size.
        {"longer than its size", "signing\\longer", "2.0", "silent", "",
         "downloading xz file: <uri>/small-2.0.tar.xz failed.", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::error_code ec;
        std::filesystem::remove_all(Installed("data"), ec);
        std::filesystem::remove_all(update, ec);
        DeleteFileA(Installed("readme.txt").c_str());
        DeleteFileA((UserData() + "\\update.log").c_str());
        const std::string uri = Serve(c.fixture);
        const std::string check = CheckArguments(uri, c.version);
        const std::string run = c.run;
        const std::string change = c.change;
        if (change == "cut the signature") {
            const std::string signature = ReadFileBytes(manifest + ".sig");
            ASSERT_TRUE(WriteFileBytes(manifest + ".sig", signature.substr(0, signature.size() / 2)));
        }
        ASSERT_TRUE(RunToEnd(check + (run == "force" ? " --force 1" : "")));
        if (run == "exec") {
            // Recorded by the check run, then changed where it waits.
            ASSERT_EQ(c.version, Setting("version"));
            std::string bytes = ReadFileBytes(manifest);
            const size_t at = bytes.find("readme.txt");
            ASSERT_NE(at, std::string::npos);
            bytes[at] = 'R';
            ASSERT_TRUE(WriteFileBytes(manifest, bytes));
            ASSERT_TRUE(RunToEnd("--execUpdate --ParentProcessName " + productName_));
        }

        const std::vector<std::string> log = LogMessages();
        std::string line = c.line;
        if (line.find("<uri>") != std::string::npos)
            line.replace(line.find("<uri>"), 5, uri);
        EXPECT_TRUE(Contains(log, line)) << (log.empty() ? "no log" : log.back());
        // Only the package of a wrong digest is refused whole: a longer one is stopped as it comes.
        const auto refusesPackage = [](const std::string& text) { return text.rfind("package: ", 0) == 0; };
        EXPECT_EQ(std::any_of(log.begin(), log.end(), refusesPackage), refusesPackage(line));
        EXPECT_EQ(ReadFileBytes(Installed("data\\version.txt")), c.installed ? "Corvane 2.0\r\n" : "");
        EXPECT_EQ(FileExists(Installed("readme.txt")), c.installed);
        // Refused: nothing recorded, and no package kept.
        EXPECT_EQ("", Setting("version"));
        EXPECT_FALSE(FileExists(update + "\\small-2.0.tar.xz"));
        EXPECT_FALSE(FileExists(update + "\\small-1.0.tar.xz"));
        EXPECT_EQ("2.0", Setting("installed"));
    }
}

}  // namespace
