// winsock2.h has to come before windows.h.
#include <winsock2.h>

#include "engine/HttpDownloader.h"

#include "engine/Paths.h"
#include "engine/UpdateStatus.h"

#include "tests/support/AllocationCounter.h"
#include "tests/support/StatusWindow.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

constexpr char kPreparing[] = "准备下载...";

class HttpDownloaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_hUpdateWnd = window_.Handle();
        liveArraysBefore_ = LiveArrayAllocations();
    }

    void TearDown() override { g_hUpdateWnd = nullptr; }

    // Puts a file of the given size with varied bytes into the server's root.
    std::string ServeFile(const std::string& name, size_t size)
    {
        std::string bytes(size, '\0');
        unsigned state = 12345;
        for (char& c : bytes) {
            state = state * 1103515245u + 12345u;
            c = static_cast<char>(state >> 16);
        }
        EXPECT_TRUE(WriteFileBytes(HttpRoot() + "\\" + name, bytes));
        return bytes;
    }

    // Name unique to this test, so that parallel tests share no file.
    std::string UniqueName(const char* stem)
    {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        return std::string(stem) + "-" + info->name() + ".tar.xz";
    }

    // The statuses received so far, after every queued text was taken over.
    const std::vector<StatusWindow::Status>& Statuses()
    {
        window_.Pump();
        EXPECT_EQ(LiveArrayAllocations(), liveArraysBefore_) << "a posted text was not freed";
        return window_.Received();
    }

    StatusWindow window_;
    long liveArraysBefore_ = 0;
};

void ExpectRisingDownloadPercents(const std::vector<StatusWindow::Status>& statuses)
{
    ASSERT_GE(statuses.size(), 2u);
    EXPECT_EQ(statuses[0].text, kPreparing);
    EXPECT_EQ(statuses[0].percent, 0);
    int last = 0;
    for (size_t i = 1; i < statuses.size(); ++i) {
        char expected[64];
        snprintf(expected, sizeof(expected), "正在下载: %d%%", statuses[i].percent);
        EXPECT_EQ(statuses[i].text, expected);
        EXPECT_GT(statuses[i].percent, last);
        last = statuses[i].percent;
    }
    EXPECT_EQ(last, 100);
}

// A loopback port on which nothing listens: bound but never listening, and
// held for the test's time so that no program running beside it can take it.
class RefusingPort {
public:
    RefusingPort()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        int size = sizeof(address);
        getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    ~RefusingPort()
    {
        closesocket(socket_);
        WSACleanup();
    }
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;

    int Port() const { return port_; }

private:
    SOCKET socket_ = INVALID_SOCKET;
    int port_ = 0;
};

}  // namespace

TEST_F(HttpDownloaderTest, FileWithLengthArrivesWholeWithRisingPercents)
{
    const std::string name = UniqueName("pkg");
    const std::string bytes = ServeFile(name, 3 * 1024 * 1024 + 17);
    const DownloadResult result = HttpDownloader().Download(HttpUrl("/" + name), TestTempDir(), true);
    ASSERT_EQ(result.code, 0);
    EXPECT_EQ(result.path, TestTempDir() + "\\" + name);
    EXPECT_TRUE(ReadFileBytes(result.path) == bytes) << "downloaded bytes differ";
    ExpectRisingDownloadPercents(Statuses());
}

TEST_F(HttpDownloaderTest, ExistingFileIsReplaced)
{
    const std::string name = UniqueName("pkg");
    const std::string bytes = ServeFile(name, 1000);
    WriteFileBytes(TestTempDir() + "\\" + name, std::string(5000, 'x'));
    const DownloadResult result = HttpDownloader().Download(HttpUrl("/" + name), TestTempDir(), true);
    ASSERT_EQ(result.code, 0);
    EXPECT_TRUE(ReadFileBytes(result.path) == bytes);
}

TEST_F(HttpDownloaderTest, WithoutProgressNothingIsPosted)
{
    const std::string name = UniqueName("quiet");
    const std::string bytes = ServeFile(name, 200000);
    const DownloadResult result = HttpDownloader().Download(HttpUrl("/" + name), TestTempDir(), false);
    ASSERT_EQ(result.code, 0);
    EXPECT_TRUE(ReadFileBytes(result.path) == bytes);
    EXPECT_TRUE(Statuses().empty());
}

TEST_F(HttpDownloaderTest, UnknownLengthPostsNoPercentsAndSucceeds)
{
    const std::string name = UniqueName("nolen");
    const std::string bytes = ServeFile(name, 500000);
    const DownloadResult result = HttpDownloader().Download(HttpUrl("/nolength/" + name), TestTempDir(), true);
    ASSERT_EQ(result.code, 0);
    EXPECT_TRUE(ReadFileBytes(result.path) == bytes);
    const auto& statuses = Statuses();
    ASSERT_EQ(statuses.size(), 1u);
    EXPECT_EQ(statuses[0].text, kPreparing);
    EXPECT_EQ(statuses[0].percent, 0);
}

TEST_F(HttpDownloaderTest, NotFoundIsMinus5AndKeepsTheErrorBody)
{
    const DownloadResult result = HttpDownloader().Download(HttpUrl("/status/404"), TestTempDir(), true);
    EXPECT_EQ(result.code, -5);
    EXPECT_TRUE(result.path.empty());
    EXPECT_EQ(ReadFileBytes(TestTempDir() + "\\404"), "status 404 from the test server\n");
    EXPECT_EQ(HttpDownloader().Download(HttpUrl("/status/500"), TestTempDir(), false).code, -5);
}

TEST_F(HttpDownloaderTest, RedirectsAreNotFollowed)
{
    const std::string name = UniqueName("target");
    ServeFile(name, 1000);
    for (const char* code : {"301", "302"}) {
        const DownloadResult result =
            HttpDownloader().Download(HttpUrl(std::string("/redirect/") + code + "/" + name), TestTempDir(), false);
        EXPECT_EQ(result.code, -5) << code;
        EXPECT_TRUE(result.path.empty());
        EXPECT_EQ(ReadFileBytes(TestTempDir() + "\\" + name), "") << code;
    }
}

TEST_F(HttpDownloaderTest, UrlEndingInSlashIsMinus2AndMakesNoFile)
{
    const std::string folder = TestTempDir() + "\\target";
    MakeParentDirs(folder + "\\x");
    const DownloadResult result = HttpDownloader().Download(HttpUrl("/dir/"), folder, true);
    EXPECT_EQ(result.code, -2);
    EXPECT_TRUE(result.path.empty());
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    int files = 0;
    do {
        if (std::string(entry.cFileName) != "." && std::string(entry.cFileName) != "..")
            ++files;
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    EXPECT_EQ(files, 0);
    // The preparing text comes before any check.
    const auto& statuses = Statuses();
    ASSERT_EQ(statuses.size(), 1u);
    EXPECT_EQ(statuses[0].text, kPreparing);
}

TEST_F(HttpDownloaderTest, NamesThatLeaveTheFolderAreMinus2)
{
    const std::string folder = TestTempDir() + "\\target";
    MakeParentDirs(folder + "\\x");
    for (const char* tail : {"/..", "/.", "/sub\\..\\..\\escape.tar.xz", "/c:escape.tar.xz"}) {
        const DownloadResult result = HttpDownloader().Download(HttpUrl(tail), folder, false);
        EXPECT_EQ(result.code, -2) << tail;
    }
    EXPECT_FALSE(FileExists(TestTempDir() + "\\escape.tar.xz"));
    EXPECT_FALSE(FileExists(folder + "\\c"));
}

TEST_F(HttpDownloaderTest, FolderThatCannotTakeTheFileIsMinus3)
{
    const std::string name = UniqueName("pkg");
    ServeFile(name, 100);
    const std::string missing = TestTempDir() + "\\no-such-folder";
    DownloadResult result = HttpDownloader().Download(HttpUrl("/" + name), missing, false);
    EXPECT_EQ(result.code, -3);
    EXPECT_TRUE(result.path.empty());
    EXPECT_FALSE(FileExists(missing));

    // A folder already standing where the file should go.
    MakeParentDirs(TestTempDir() + "\\" + name + "\\x");
    result = HttpDownloader().Download(HttpUrl("/" + name), TestTempDir(), false);
    EXPECT_EQ(result.code, -3);
}

TEST_F(HttpDownloaderTest, RefusedConnectionIsMinus4)
{
    const RefusingPort closed;
    ASSERT_NE(closed.Port(), 0);
    const std::string url = "http://127.0.0.1:" + std::to_string(closed.Port()) + "/pkg.tar.xz";
    const DownloadResult result = HttpDownloader().Download(url, TestTempDir(), true);
    EXPECT_EQ(result.code, -4);
    EXPECT_TRUE(result.path.empty());
    // The file was created before the transfer and stays.
    EXPECT_TRUE(FileExists(TestTempDir() + "\\pkg.tar.xz"));
    const auto& statuses = Statuses();
    ASSERT_EQ(statuses.size(), 1u);
    EXPECT_EQ(statuses[0].text, kPreparing);
}

TEST_F(HttpDownloaderTest, DroppedConnectionIsMinus4AndKeepsThePart)
{
    const std::string name = UniqueName("drop");
    const std::string bytes = ServeFile(name, 400000);
    const DownloadResult result = HttpDownloader().Download(HttpUrl("/drop/" + name), TestTempDir(), true);
    EXPECT_EQ(result.code, -4);
    EXPECT_TRUE(result.path.empty());
    const std::string part = ReadFileBytes(TestTempDir() + "\\" + name);
    EXPECT_EQ(part.size(), bytes.size() / 2);
    EXPECT_TRUE(part == bytes.substr(0, part.size()));
    // Percents stop short of 100 and still only rise.
    const auto& statuses = Statuses();
    int last = 0;
    for (size_t i = 1; i < statuses.size(); ++i) {
        EXPECT_GT(statuses[i].percent, last);
        last = statuses[i].percent;
    }
    EXPECT_LE(last, 50);
}

TEST(MakePackageUrl, JoinsWithSlashUpToTheLimit)
{
    std::string url;
    ASSERT_TRUE(MakePackageUrl("http://h/base", "pkg.tar.xz", url));
    EXPECT_EQ(url, "http://h/base/pkg.tar.xz");
    ASSERT_TRUE(MakePackageUrl("http://h/", "p", url));
    EXPECT_EQ(url, "http://h//p");

    const std::string uri = "http://h/" + std::string(400, 'u');
    const std::string fits(kMaxPackageUrlLength - uri.size() - 1, 'n');
    ASSERT_TRUE(MakePackageUrl(uri, fits, url));
    EXPECT_EQ(url.size(), kMaxPackageUrlLength);
    EXPECT_FALSE(MakePackageUrl(uri, fits + "n", url));
    EXPECT_TRUE(url.empty());
}
