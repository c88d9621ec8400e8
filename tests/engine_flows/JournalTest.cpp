// The install journal as the next run finds it: torn, damaged, hostile or of
// another folder. No journal ends a run abnormally or reaches outside the
// install folder, each is logged, and the next update installs.
#include "tests/engine_flows/EngineTestSupport.h"

#include "base/FileCopy.h"
#include "base/ScopedHandles.h"
#include "engine/InstallTransaction.h"
#include "engine/Md5.h"
#include "engine/Paths.h"
#include "engine/StagedUpdate.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <random>

namespace {

constexpr char kHeader[] = "corvane install journal 2\r\n";

std::string ToUpperAscii(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return text;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class JournalTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        journal_ = InstallTransaction::JournalPath();
    }

    // Two installed files and a package that replaces them and adds one.
    std::vector<FileEntry> Package()
    {
        EXPECT_TRUE(WriteFileBytes(Installed("bin\\a.dll"), "a old"));
        EXPECT_TRUE(WriteFileBytes(Installed("b.dll"), "b old"));
        return {Source("bin\\a.dll", "a new"), Source("b.dll", "b new"), Source("new\\c.dll", "c new")};
    }

    void ExpectInstalled(const std::vector<FileEntry>& files)
    {
        for (const FileEntry& entry : files)
            EXPECT_EQ(FileMd5Hex(Installed(entry.path)), entry.md5) << entry.path;
    }

    std::string journal_;
};

// Every prefix of a real journal, every single-byte change of a short one
// and random ones: each run is logged in a recovery line, leaves no journal
// behind, and nothing outside the install folder changes.
TEST_F(JournalTest, NoJournalEndsARunOrReachesOutsideAndTheNextUpdateInstalls)
{
    const std::vector<FileEntry> files = Package();
    ASSERT_TRUE(Worker().InstallFiles(sourceDir_, installDir_, files));
    const std::string real = ReadFileBytes(journal_);  // committed, before its clean-up
    Worker().FinishInstallation();
    ASSERT_NE(real.find("\r\nbegin\r\ndone\r\n"), std::string::npos) << real;

    const std::string victim = TestTempDir() + "\\victim";
    ASSERT_TRUE(WriteFileBytes(victim + "\\a.dll", "victim's"));
    ASSERT_TRUE(WriteFileBytes(victim + "\\" + InstallTransaction::kBackupFolderName + "\\0", "victim's backup"));
    const std::map<std::string, std::string> victimBefore = FolderTree(victim);

    std::vector<std::string> journals;
    for (size_t size = 0; size <= real.size(); ++size)
        journals.push_back(real.substr(0, size));
    // Every byte at every offset goes through the reader alone; a few of
    // them through the whole recovery.
    const std::string small = kHeader + std::string("root ") + installDir_ + "\r\nk b.dll\r\nbegin\r\n";
    EXPECT_TRUE(InstallTransaction::IsReadableJournal(small));
    int readable = 0;
    int readableHeaders = 0;
    for (size_t at = 0; at < small.size(); ++at) {
        for (int byte = 0; byte < 256; ++byte) {
            std::string changed = small;
            changed[at] = static_cast<char>(byte);
            const bool read = InstallTransaction::IsReadableJournal(changed);
            readable += read ? 1 : 0;
            readableHeaders += read && at < strlen(kHeader) ? 1 : 0;
            if (byte == 0 || byte == '\n' || byte == 0xC4)
                journals.push_back(changed);
        }
    }
    // Changes of the root's and the path's letters may keep it readable; a
    // changed header never is (only its own bytes put back are counted).
    EXPECT_GT(readable, 0);
    EXPECT_EQ(readableHeaders, static_cast<int>(strlen(kHeader)));
    // Random records, well-formed and not, of this folder and of another.
    const std::string pieces[] = {kHeader,
                                  "root " + installDir_ + "\r\n",
                                  "root " + victim + "\r\n",
                                  "root " + ToUpperAscii(installDir_) + "\\.\r\n",
                                  "n a.dll\r\n",
                                  "k b.dll\r\n",
                                  "d new\r\n",
                                  "n ..\\victim\\a.dll\r\n",
                                  "k .corvane-backup\\0\r\n",
                                  "begin\r\n",
                                  "done\r\n",
                                  "\r\n",
                                  "n",
                                  "\xD6\xD0\r\n"};
    std::mt19937 random(20261209);
    for (int i = 0; i < 300; ++i) {
        std::string journal = i % 2 == 0 ? std::string(kHeader) : std::string();
        for (int count = static_cast<int>(random() % 8); count > 0; --count)
            journal += pieces[random() % std::size(pieces)];
        if (!journal.empty() && random() % 4 == 0)
            journal[random() % journal.size()] = static_cast<char>(random());
        journals.push_back(journal);
    }

    const size_t logged = LogMessages().size();
    for (size_t i = 0; i < journals.size(); ++i) {
        SCOPED_TRACE("journal " + std::to_string(i) + ": " + journals[i]);
        ASSERT_TRUE(WriteFileBytes(journal_, journals[i]));
        EXPECT_TRUE(InstallTransaction::Recover(installDir_));
        EXPECT_FALSE(FileExists(journal_));
    }
    // One recovery line each.
    const std::vector<std::string> log = LogMessages();
    EXPECT_EQ(std::count_if(log.begin() + logged, log.end(),
                            [](const std::string& line) { return line.rfind("recovery: ", 0) == 0; }),
              static_cast<long>(journals.size()));
    EXPECT_EQ(FolderTree(victim), victimBefore);

    ASSERT_TRUE(Worker().InstallFiles(sourceDir_, installDir_, files));
    Worker().FinishInstallation();
    ExpectInstalled(files);
}

// Only the install folder's own journal is acted on, however its root is
// spelt; another folder's is set aside as it was and nothing there changes.
TEST_F(JournalTest, AJournalOfAnotherFolderIsSetAsideUntouched)
{
    const std::string victim = TestTempDir() + "\\victim";
    char shortName[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameA(installDir_.c_str(), shortName, sizeof(shortName)), 0u);
    struct Case {
        const char* name;
        std::string root;
        bool actedOn;
    };
    const Case cases[] = {
        {"other folder", victim, false},
        {"share", "\\\\127.0.0.1\\c$\\victim", false},
        {"own, other case", ToUpperAscii(installDir_), true},
        {"own, short name", shortName, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const std::string& root : {victim, installDir_}) {
            ASSERT_TRUE(WriteFileBytes(root + "\\one.dll", "one"));
            ASSERT_TRUE(WriteFileBytes(root + "\\two.dll", "two"));
        }
        const std::string text = kHeader + std::string("root ") + c.root + "\r\nn one.dll\r\nn two.dll\r\nbegin\r\n";
        ASSERT_TRUE(WriteFileBytes(journal_, text));
        EXPECT_TRUE(InstallTransaction::Recover(installDir_));
        EXPECT_FALSE(FileExists(journal_));
        EXPECT_EQ(FileExists(Installed("one.dll")), !c.actedOn);
        EXPECT_EQ(ReadFileBytes(victim + "\\one.dll"), "one");
        EXPECT_EQ(ReadFileBytes(victim + "\\two.dll"), "two");
        const std::string aside = InstallTransaction::SetAsideJournalPath();
        EXPECT_EQ(LogMessages().back(),
                  c.actedOn ? "recovery: 2 files restored in " + installDir_ + " after an interrupted installation."
                            : "recovery: install journal " + journal_ + " names another folder, " + c.root +
                                  ", where nothing was touched; set aside as " + aside + ".");
        EXPECT_EQ(ReadFileBytes(aside), c.actedOn ? "" : text);
        DeleteFileA(aside.c_str());
    }
}

// An undo that cannot put everything back keeps its journal and backups,
// says so at every run and lets no installation clear them, until it
// completes.
TEST_F(JournalTest, AnIncompleteUndoKeepsItsBackupsUntilItCompletes)
{
    const std::string backups = Installed(InstallTransaction::kBackupFolderName);
    ASSERT_TRUE(WriteFileBytes(Installed("a.dll"), "a new"));
    ASSERT_TRUE(WriteFileBytes(backups + "\\0", "a old"));
    ASSERT_TRUE(WriteFileBytes(journal_, kHeader + std::string("root ") + installDir_ + "\r\nk a.dll\r\nbegin\r\n"));
    const std::vector<FileEntry> files = {Source("a.dll", "a newer")};
    {
        ScopedHandle lock(CreateFileA(Installed("a.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(lock.Valid());
        for (int run = 0; run < 2; ++run) {
            EXPECT_TRUE(InstallTransaction::Recover(installDir_));
            EXPECT_EQ(LogMessages().back(), "recovery: the undo of an installation in " + installDir_ +
                                                " is incomplete, 0 files restored; the journal and the backups are "
                                                "kept for the next run.");
            EXPECT_TRUE(FileExists(journal_));
        }
        EXPECT_FALSE(Worker().InstallFiles(sourceDir_, installDir_, files));
        EXPECT_EQ(LogMessages().back(), "install journal: " + journal_ +
                                            " holds an undo that could not be completed; nothing is installed "
                                            "until it is.");
        EXPECT_EQ(ReadFileBytes(backups + "\\0"), "a old");
    }
    EXPECT_TRUE(InstallTransaction::Recover(installDir_));
    EXPECT_EQ(ReadFileBytes(Installed("a.dll")), "a old");
    EXPECT_FALSE(FileExists(journal_));
    EXPECT_TRUE(Worker().InstallFiles(sourceDir_, installDir_, files));
    ExpectInstalled(files);
}

// Every new file, deferred copies included, is on the disk before the
// journal's mark that the installation is done: a copied one as it is
// copied; a staged one as it is staged, while the product still runs, and
// swapped in by renames between the plan and the mark, which follows a
// flush of the folders the renames changed.
TEST_F(JournalTest, NewFilesAreFlushedBeforeTheJournalSaysDone)
{
    std::vector<FileEntry> files = Package();
    files.push_back(Source("Skin\\update.zip", "skin v2"));
    std::vector<std::string> flushed;
    SetFlushObserver([&](const std::string& path) { flushed.push_back(path); });
    const bool installed = Worker().InstallFiles(sourceDir_, installDir_, files);
    SetFlushObserver(nullptr);
    ASSERT_TRUE(installed);
    EXPECT_NE(ReadFileBytes(journal_).find("\r\ndone\r\n"), std::string::npos);
    const std::vector<std::string> expected = {
        journal_,  // the plan, before anything is replaced
        Installed("bin\\a.dll"),
        Installed("b.dll"),
        Installed("new\\c.dll"),
        GetUserDataDir() + "\\update.zip",
        journal_,  // "done"
    };
    EXPECT_EQ(flushed, expected);

    ASSERT_TRUE(WriteFileBytes(Installed("bin\\core.dll"), "core version 1\n"));
    ASSERT_TRUE(WriteFileBytes(Installed("data\\table.dat"), "table version 1\n"));
    const std::string package = GetUpdateDir() + "\\flowpkg-1.2.tar.xz";
    const std::string manifestPath = GetUpdateDir() + "\\configure.xml";
    ASSERT_TRUE(CopyTo(Fixture("flow\\flowpkg-1.2.tar.xz"), package));
    ASSERT_TRUE(CopyTo(Fixture("flow\\configure.xml"), manifestPath));
    UpdateManifest manifest;
    ASSERT_TRUE(manifest.Load(manifestPath));
    files.clear();
    manifest.GetFileList(files);
    flushed.clear();
    std::vector<std::string> coreAtFlush;
    SetFlushObserver([&](const std::string& path) {
        flushed.push_back(path);
        coreAtFlush.push_back(ReadFileBytes(Installed("bin\\core.dll")));
    });
    const StagedUpdate::Result staged = StagedUpdate::Stage(installDir_, package, manifestPath, files, false);
    const bool swapped =
        staged.ok() && Worker().InstallFiles(staged.root, installDir_, files, UpdateWorker::Sources::kVerified);
    SetFlushObserver(nullptr);
    ASSERT_TRUE(swapped);
    const std::string tree = Installed(".corvane-staged\\flowpkg");
    EXPECT_EQ(staged.root, tree);
    const std::vector<std::string> expectedSwap = {
        tree + "\\bin\\core.dll",  // staged
        tree + "\\data\\table.dat",
        tree + "\\readme.txt",
        journal_,     // the plan, before the first rename
        installDir_,  // the folders the renames changed
        Installed(InstallTransaction::kBackupFolderName),
        Installed("bin"),
        Installed("data"),
        journal_,  // "done", after the last
    };
    EXPECT_EQ(flushed, expectedSwap);
    ASSERT_EQ(coreAtFlush.size(), expectedSwap.size());
    EXPECT_EQ(coreAtFlush[3], "core version 1\n");
    EXPECT_EQ(coreAtFlush.back(), "core version 2\n");
    // Renamed, not copied.
    for (const FileEntry& entry : files)
        EXPECT_FALSE(FileExists(tree + "\\" + entry.path)) << entry.path;
    ExpectInstalled(files);
}

// A short name of the backup folder passes every check of the text; its
// canonical path, once the folder exists, does not.
TEST_F(JournalTest, AShortNameOfTheBackupFolderDoesNotReachIt)
{
    const std::string backups = Installed(InstallTransaction::kBackupFolderName);
    ASSERT_TRUE(CreateDirectoryA(backups.c_str(), nullptr));
    char shortPath[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameA(backups.c_str(), shortPath, sizeof(shortPath)), 0u);
    ASSERT_TRUE(RemoveDirectoryA(backups.c_str()));
    ASSERT_TRUE(WriteFileBytes(Installed("keep.dll"), "keep old"));
    const std::vector<FileEntry> files = {Source("keep.dll", "keep new"),
                                          Source(FileNameOf(shortPath) + "\\0", "planted")};
    ASSERT_NE(files[1].path, std::string(InstallTransaction::kBackupFolderName) + "\\0");

    EXPECT_FALSE(Worker().InstallFiles(sourceDir_, installDir_, files));
    EXPECT_TRUE(Contains(LogMessages(), "file: " + files[1].path + " lies in the Updater's backup folder."));
    EXPECT_EQ(ReadFileBytes(Installed("keep.dll")), "keep old");
    EXPECT_FALSE(FileExists(backups));
}

}  // namespace
