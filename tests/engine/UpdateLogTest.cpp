#include "engine/UpdateLog.h"

#include "engine/Paths.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <regex>
#include <string>

// Every case runs in a process of its own, so each one sees the log object
// before its first Open.

namespace {

// "[YYYY-MM-DD hh:mm:ss]  " as it starts every line.
const std::regex kLinePrefix(R"(^\[\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\]  )");
constexpr size_t kPrefixSize = 23;

}  // namespace

TEST(UpdateLog, FileOf4096BytesIsStartedAfresh)
{
    const std::string path = GetLogPath();
    WriteFileBytes(path, std::string(4096, 'o'));
    UpdateLog::Instance().Open();
    UpdateLog::Instance().Write("fresh");
    const std::string content = ReadFileBytes(path);
    ASSERT_EQ(content.size(), kPrefixSize + 5 + 2) << content.substr(0, 40);
    EXPECT_TRUE(std::regex_search(content, kLinePrefix));
    EXPECT_EQ(content.substr(kPrefixSize), "fresh\r\n");
}

TEST(UpdateLog, FileOf4095BytesIsAppendedTo)
{
    const std::string path = GetLogPath();
    const std::string old(4095, 'o');
    WriteFileBytes(path, old);
    UpdateLog::Instance().Open();
    UpdateLog::Instance().Write("more %d", 1);
    const std::string content = ReadFileBytes(path);
    ASSERT_EQ(content.size(), old.size() + kPrefixSize + 6 + 2);
    EXPECT_EQ(content.substr(0, old.size()), old);
    const std::string line = content.substr(old.size());
    EXPECT_TRUE(std::regex_search(line, kLinePrefix)) << line;
    EXPECT_EQ(line.substr(kPrefixSize), "more 1\r\n");
}

TEST(UpdateLog, LongMessageIsCutTo767Characters)
{
    UpdateLog::Instance().Open();
    UpdateLog::Instance().Write("%s", std::string(800, 'm').c_str());
    UpdateLog::Instance().Write("%s", std::string(767, 'e').c_str());
    const std::string content = ReadFileBytes(GetLogPath());
    const size_t lineSize = kPrefixSize + 767 + 2;
    ASSERT_EQ(content.size(), 2 * lineSize);
    EXPECT_EQ(content.substr(kPrefixSize, 769), std::string(767, 'm') + "\r\n");
    EXPECT_EQ(content.substr(lineSize + kPrefixSize), std::string(767, 'e') + "\r\n");
}

TEST(UpdateLog, LinesCarryTheTimeInBracketsAndTwoBlanks)
{
    UpdateLog::Instance().Open();
    const std::string before = FormatLogTime();
    UpdateLog::Instance().Write("load %s failed.", "C:\\x\\configure.xml");
    UpdateLog::Instance().Write("second");
    const std::string after = FormatLogTime();

    const std::string content = ReadFileBytes(GetLogPath());
    const size_t split = content.find("\r\n") + 2;
    const std::string first = content.substr(0, split);
    const std::string second = content.substr(split);
    ASSERT_TRUE(std::regex_search(first, kLinePrefix)) << first;
    ASSERT_TRUE(std::regex_search(second, kLinePrefix)) << second;
    EXPECT_EQ(first.substr(kPrefixSize), "load C:\\x\\configure.xml failed.\r\n");
    EXPECT_EQ(second.substr(kPrefixSize), "second\r\n");

    // The stamps lie between the readings taken around the writes; the
    // format sorts as text.
    const std::string firstTime = first.substr(1, 19);
    const std::string secondTime = second.substr(1, 19);
    EXPECT_LE(before, firstTime);
    EXPECT_LE(firstTime, secondTime);
    EXPECT_LE(secondTime, after);
    if (before == after) {
        EXPECT_EQ(firstTime, secondTime);
    }
}

TEST(UpdateLog, EachLineIsOnDiskWhenWriteReturns)
{
    UpdateLog::Instance().Open();
    UpdateLog::Instance().Write("one");
    // Read through a handle of its own while the log keeps its stream open.
    EXPECT_EQ(ReadFileBytes(GetLogPath()).substr(kPrefixSize), "one\r\n");
}

TEST(UpdateLog, WriteBeforeOpenDoesNothing)
{
    UpdateLog::Instance().Write("too early");
    EXPECT_FALSE(FileExists(GetLogPath()));
    UpdateLog::Instance().Open();
    UpdateLog::Instance().Write("now");
    EXPECT_EQ(ReadFileBytes(GetLogPath()).substr(kPrefixSize), "now\r\n");
}

TEST(UpdateLog, LogThatCannotBeOpenedMakesWriteSilent)
{
    // A folder where the log file should be: the open fails.
    const std::string path = GetLogPath();
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
    UpdateLog::Instance().Open();
    UpdateLog::Instance().Write("lost %s", "line");
    const DWORD attributes = GetFileAttributesA(path.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);

    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
    int entries = 0;
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name != "." && name != "..")
                ++entries;
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    EXPECT_EQ(entries, 0);
}
