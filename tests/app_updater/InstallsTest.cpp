// What the real Updater installs and what it does with the journal a
// damaged or hostile earlier run left: any release content installs byte
// for byte, and no journal keeps a run from ending or an update from
// installing.
#include "tests/app_updater/UpdaterTestSupport.h"

#include "base/PathUtil.h"
#include "base/TextConversion.h"
#include "tests/support/TestSupport.h"

#include <filesystem>

namespace {

using InstallsTest = UpdaterTest;

// An empty file, a file of 0 bytes in a new folder, a name with a blank and
// Chinese characters, names whose GBK bytes hold 0x5C inside a character,
// and a file installed over a read-only copy, through
// each way the Updater installs: from the staged tree, from the package,
// and at once.
TEST_F(InstallsTest, AnyReleaseContentInstallsByteForByte)
{
    const std::string named = ToNarrow(ToWide(u8"数据 文件\\配置 说明.txt", CP_UTF8), CP_ACP);
    // U+661E and U+6DFA are 0x95 0x5C and 0x9C 0x5C.
    const std::string backslashed = ToNarrow(L"\u661E \u6DFA\\\u6DFA\u661E.dat", CP_ACP);
    ASSERT_EQ(backslashed.substr(0, 2), "\x95\\");
    const std::pair<std::string, std::string> contents[] = {
        {"data\\empty.cfg", ""},
        {"fresh\\deep\\zero.bin", ""},
        {named, "GBK named\r\n"},
        {backslashed, "GBK 0x5C\r\n"},
        {"readonly.txt", "Corvane 2.0 read-only\r\n"},
    };
    for (const char* run : {"silent and exec", "silent and exec from the package", "force"}) {
        SCOPED_TRACE(run);
        std::error_code ec;
        for (const char* folder : {"data", "fresh"})
            std::filesystem::remove_all(Installed(folder), ec);
        for (const std::string& path : {named, backslashed})
            std::filesystem::remove_all(std::filesystem::u8path(ToUtf8(Installed(ParentFolder(path)))), ec);
        SetFileAttributesA(Installed("readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(WriteFileBytes(Installed("readonly.txt"), "Corvane 1.0 read-only\r\n"));
        ASSERT_TRUE(SetFileAttributesA(Installed("readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY));
        DeleteFileA((UserData() + "\\update.log").c_str());

        const std::string uri = Serve("contents");
        if (std::string(run) == "force") {
            ASSERT_TRUE(RunToEnd(CheckArguments(uri) + " --force 1"));
        } else {
            ASSERT_TRUE(RunToEnd(CheckArguments(uri)));
            EXPECT_TRUE(FileExists(UserData() + "\\update\\staged.ok"));
            // Staged beside the product, hidden from it, every file in place.
            const DWORD staging = GetFileAttributesA(Installed(".corvane-staged").c_str());
            EXPECT_TRUE(staging != INVALID_FILE_ATTRIBUTES && (staging & FILE_ATTRIBUTE_HIDDEN) != 0);
            for (const auto& [path, bytes] : contents)
                EXPECT_EQ(ReadFileBytes(Installed(".corvane-staged\\contents\\" + path)), bytes) << path;
            if (std::string(run) != "silent and exec") {
                ASSERT_TRUE(DeleteFileA((UserData() + "\\update\\staged.ok").c_str()));
            }
            ASSERT_TRUE(RunToEnd("--execUpdate --ParentProcessName " + productName_));
            EXPECT_TRUE(Contains(LogMessages(), "updated successfully."));
        }
        for (const auto& [path, bytes] : contents) {
            EXPECT_TRUE(FileExists(Installed(path))) << path;
            EXPECT_EQ(ReadFileBytes(Installed(path)), bytes) << path;
        }
        for (const std::string& line : LogMessages())
            EXPECT_EQ(line.find("failed"), std::string::npos) << line;
        EXPECT_FALSE(FileExists(Installed(".corvane-staged")));
    }
}

// A journal torn by a power cut, emptied, with a short line, or naming
// another folder: the next run logs it in one line, touches nothing outside
// the install folder, and installs the update. A staging folder that no
// pending update owns any more is removed as the run starts.
TEST_F(InstallsTest, NoJournalKeepsARunFromInstalling)
{
    const std::string journal = UserData() + "\\install.journal";
    const std::string victim = TestTempDir() + "\\victim";
    const std::string header = "corvane install journal 2\r\n";
    struct Case {
        const char* name;
        std::string text;
        std::string logLine;
    };
    const std::string unreadable =
        "recovery: install journal " + journal + " is unreadable; set aside as " + journal + ".bad.";
    const Case cases[] = {
        {"torn", header + "root " + installDir_ + "\r\nn rea",
         "recovery: 0 files restored in " + installDir_ + " after an interrupted installation."},
        {"empty", "", unreadable},
        {"short line", header + "\r\n", unreadable},
        {"short record", header + "root " + installDir_ + "\r\nn\r\nbegin\r\n", unreadable},
        {"other folder", header + "root " + victim + "\r\nn a.dll\r\nn b.dll\r\nbegin\r\n",
         "recovery: install journal " + journal + " names another folder, " + victim +
             ", where nothing was touched; set aside as " + journal + ".bad."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteFileBytes(victim + "\\a.dll", "victim a"));
        ASSERT_TRUE(WriteFileBytes(victim + "\\b.dll", "victim b"));
        std::error_code ec;
        std::filesystem::remove_all(Installed("data"), ec);
        DeleteFileA((UserData() + "\\update.log").c_str());
        ASSERT_TRUE(WriteFileBytes(journal, c.text));
        ASSERT_TRUE(WriteFileBytes(Installed(".corvane-staged\\left\\a.dll"), "left"));

        ASSERT_TRUE(RunToEnd(CheckArguments(Serve("small")) + " --force 1"));
        const std::vector<std::string> log = LogMessages();
        ASSERT_GE(log.size(), 2u);
        EXPECT_EQ(log.front(), c.logLine);
        EXPECT_EQ(log[1], "recovery: staging folder " + Installed(".corvane-staged") + " of no pending update removed.");
        EXPECT_EQ(ReadFileBytes(Installed("data\\version.txt")), "Corvane 2.0\r\n");
        EXPECT_EQ(ReadFileBytes(victim + "\\a.dll"), "victim a");
        EXPECT_EQ(ReadFileBytes(victim + "\\b.dll"), "victim b");
        EXPECT_FALSE(FileExists(journal));
    }
}

}  // namespace
