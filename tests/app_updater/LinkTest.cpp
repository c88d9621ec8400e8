// Runs of the real Updater with a link planted in one of its own folders, as
// any program of the user can plant one: no run follows it, the folder it
// points at keeps everything it held, and the run logs the link.
#include "tests/app_updater/UpdaterTestSupport.h"

#include "base/PathUtil.h"
#include "tests/support/TestMain.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <filesystem>

namespace {

using PlantedLinkTest = UpdaterTest;

bool RemoveHostLink(const std::string& link)
{
    return RunOnHost("rm -f '" + HostPath(link) + "'",
                     [&] { return GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

TEST_F(PlantedLinkTest, SilentExecAndForceRunsNeverFollowALinkInTheirFolders)
{
    const std::string update = UserData() + "\\update";
    const std::string backup = Installed(".corvane-backup");
    const std::string staging = Installed(".corvane-staged");
    const std::string aside = UserData() + "\\discarded";
    const std::string refused = " is a link, not removed; what it points at is left alone.";
    const struct {
        const char* name;
        std::string link;
        bool afterSilent;    // planted in the tree that the silent run staged
        std::string logged;  // the start of the line that tells of it
    } cases[] = {
        {"staging folder", staging, false, "folder: " + staging + refused},
        {"in the staged tree", staging + "\\small\\data", true, "folder: link " + staging + "\\small\\data "},
        {"backup folder", backup, false, "folder: " + backup + refused},
        {"in the backup folder", backup + "\\0", false, "folder: link " + backup + "\\0 "},
        {"set-aside folder", aside, false, "folder: " + aside + refused},
        {"update folder", update, false, "update folder: " + update + " is a link; nothing is written there."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Another program's folder, with a file where the package has one.
        const std::string victim = CurrentTestDir() + "\\victim-" + std::to_string(&c - cases);
        ASSERT_TRUE(WriteFileBytes(victim + "\\precious.txt", "keep"));
        ASSERT_TRUE(WriteFileBytes(victim + "\\data\\version.txt", "another program's"));
        const std::string uri = Serve("small");
        if (c.link == update) {
            ASSERT_TRUE(CopyFileA((update + "\\configure.xml").c_str(), (victim + "\\configure.xml").c_str(), FALSE));
        }
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(c.link).parent_path(), ec);
        if (!c.afterSilent) {
            ASSERT_TRUE(MakeHostLink(c.link, victim));
        }
        const std::map<std::string, std::string> before = FolderTree(victim);

        EXPECT_TRUE(RunToEnd(CheckArguments(uri)));
        if (c.afterSilent) {
            ASSERT_TRUE(MakeHostLink(c.link, victim));
        }
        // Only a tree unpacked from the package is set aside: a staged one is
        // renamed into place.
        if (c.link == aside) {
            ASSERT_TRUE(DeleteFileA((update + "\\staged.ok").c_str()));
        }
        EXPECT_TRUE(RunToEnd("--execUpdate --ParentProcessName " + productName_));
        if (!FileExists(update + "\\configure.xml"))
            Serve("small");
        EXPECT_TRUE(RunToEnd(CheckArguments(uri) + " --force 1"));

        EXPECT_EQ(before, FolderTree(victim));
        const std::vector<std::string> log = LogMessages();
        EXPECT_TRUE(std::any_of(log.begin(), log.end(), [&](const std::string& line) {
            return line.rfind(c.logged, 0) == 0;
        })) << c.logged;

        // The next case starts afresh.
        ASSERT_TRUE(RemoveHostLink(c.link));
        for (const std::string& folder : {update, backup, staging, aside, Installed("data")})
            std::filesystem::remove_all(folder, ec);
        DeleteFileA((UserData() + "\\update.log").c_str());
        DeleteFileA((UserData() + "\\tavrin.ini").c_str());
    }
}

}  // namespace
