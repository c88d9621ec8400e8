// The install journal as the next run finds it: torn, damaged, hostile or of
// another folder. No journal ends a run abnormally or reaches outside the
// install folder, each is logged, and the next update installs.
#include "tests/engine_flows/EngineTestSupport.h"

#include "base/FileCopy.h"
#include "base/ScopedHandles.h"
#include "engine/InstallTransaction.h"
#include "engine/Md5.h"
#include "engine/Paths.h"
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
        sourceDir_ = TestTempDir() + "\\source";
        journal_ = InstallTransaction::JournalPath();
    }

    FileEntry Source(const std::string& path, const std::string& bytes)
    {
        EXPECT_TRUE(WriteFileBytes(sourceDir_ + "\\" + path, bytes));
        return FileEntry{path, Md5Hex(bytes.data(), bytes.size())};
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

    // The log's lines written since the offset, which moves past them.
    std::vector<std::string> LogSince(long long& offset)
    {
        ScopedHandle file(CreateFileA(GetLogPath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
        LARGE_INTEGER at;
        at.QuadPart = offset;
        std::string text;
        char buffer[4096];
        DWORD got = 0;
        if (file.Valid() && SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN))
            while (ReadFile(file.Get(), buffer, sizeof(buffer), &got, nullptr) && got > 0)
                text.append(buffer, got);
        offset += static_cast<long long>(text.size());
        std::vector<std::string> lines;
        for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
            const size_t message = text.find("]  ", start);
            lines.push_back(message < end ? text.substr(message + 3, end - message - 3) : "");
        }
        return lines;
    }

    std::string sourceDir_;
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

    long long logAt = 0;
    LogSince(logAt);
    for (size_t i = 0; i < journals.size(); ++i) {
        SCOPED_TRACE("journal " + std::to_string(i) + ": " + journals[i]);
        ASSERT_TRUE(WriteFileBytes(journal_, journals[i]));
        EXPECT_TRUE(InstallTransaction::Recover(installDir_));
        const std::vector<std::string> lines = LogSince(logAt);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back().rfind("recovery: ", 0), 0u) << lines.back();
        EXPECT_FALSE(FileExists(journal_));
    }
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
// journal's mark that the installation is done.
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
}

// No spelling of the backup folder reaches it: what the text checks let by,
// the canonical path of the folder, once it exists, refuses.
TEST_F(JournalTest, NoSpellingOfTheBackupFolderReachesIt)
{
    const std::string backups = Installed(InstallTransaction::kBackupFolderName);
    ASSERT_TRUE(CreateDirectoryA(backups.c_str(), nullptr));
    char shortPath[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameA(backups.c_str(), shortPath, sizeof(shortPath)), 0u);
    const std::string shortName = FileNameOf(shortPath);
    ASSERT_NE(shortName, InstallTransaction::kBackupFolderName);
    RemoveDirectoryA(backups.c_str());

    struct Case {
        std::string folder;
        const char* logLine;  // after "file: <path> "
    };
    const Case cases[] = {
        {shortName, "lies in the Updater's backup folder."},
        {".CORVANE-Backup", "lies in the Updater's backup folder."},
        {".corvane-backup.", "is outside the install folder."},
        {".corvane-backup ", "is outside the install folder."},
        {"ok\\.\\..\\" + shortName, "is outside the install folder."},
    };
    ASSERT_TRUE(WriteFileBytes(Installed("keep.dll"), "keep old"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        // Only a path that passes the checks of its text needs a source.
        const std::string planted = c.folder + "\\0";
        const std::vector<FileEntry> files = {
            Source("keep.dll", "keep new"),
            IsContainedRelativePath(planted) ? Source(planted, "planted") : FileEntry{planted, Md5Hex("planted", 7)}};
        EXPECT_FALSE(Worker().InstallFiles(sourceDir_, installDir_, files));
        EXPECT_TRUE(Contains(LogMessages(), "file: " + files[1].path + " " + c.logLine));
        EXPECT_EQ(ReadFileBytes(Installed("keep.dll")), "keep old");
        EXPECT_FALSE(FileExists(backups));
        EXPECT_FALSE(FileExists(journal_));
    }
}

}  // namespace
