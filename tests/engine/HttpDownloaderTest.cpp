// winsock2.h has to come before windows.h.
#include <winsock2.h>

#include "engine/HttpDownloader.h"

#include "engine/Paths.h"
#include "engine/UpdateStatus.h"
#include "engine/XzDecoder.h"

#include "tests/support/AllocationCounter.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/StatusWindow.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

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
    std::string ServeFile(const std::string& name, size_t size) { return ServeVariedBytes(name, size); }

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

TEST_F(HttpDownloaderTest, NotFoundIsMinus5AndLeavesNoFile)
{
    const DownloadResult result = HttpDownloader().Download(HttpUrl("/status/404"), TestTempDir(), true);
    EXPECT_EQ(result.code, -5);
    EXPECT_TRUE(result.path.empty());
    EXPECT_FALSE(FileExists(TestTempDir() + "\\404"));
    EXPECT_EQ(HttpDownloader().Download(HttpUrl("/status/500"), TestTempDir(), false).code, -5);
    EXPECT_EQ(FolderEntries(TestTempDir()), std::vector<std::string>{"AppData"});
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
    ASSERT_TRUE(FileExists(folder));
    EXPECT_TRUE(FolderEntries(folder).empty());
    // The preparing text comes before any check.
    const auto& statuses = Statuses();
    ASSERT_EQ(statuses.size(), 1u);
    EXPECT_EQ(statuses[0].text, kPreparing);
}

TEST_F(HttpDownloaderTest, NamesThatLeaveTheFolderAreMinus2)
{
    const std::string folder = TestTempDir() + "\\target";
    MakeParentDirs(folder + "\\x");
    const std::string tooLong = "/" + std::string(kMaxFileNameLength - 6, 'n') + ".tar.xz";
    for (const std::string& tail : {std::string("/.."), std::string("/."), std::string("/sub\\..\\..\\escape.tar.xz"),
                                    std::string("/c:escape.tar.xz"), std::string("/COM1.tar.xz"),
                                    std::string("/nul.tar.xz"), std::string("/name."), tooLong}) {
        const DownloadResult result = HttpDownloader().Download(HttpUrl(tail), folder, false);
        EXPECT_EQ(result.code, -2) << tail;
    }
    EXPECT_FALSE(FileExists(TestTempDir() + "\\escape.tar.xz"));
    EXPECT_FALSE(FileExists(folder + "\\c"));
    EXPECT_TRUE(FolderEntries(folder).empty());
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
    EXPECT_EQ(FolderEntries(TestTempDir()), std::vector<std::string>{"AppData"});
    const auto& statuses = Statuses();
    ASSERT_EQ(statuses.size(), 1u);
    EXPECT_EQ(statuses[0].text, kPreparing);
}

TEST_F(HttpDownloaderTest, DroppedConnectionIsMinus4AndKeepsTheEarlierFile)
{
    const std::string name = UniqueName("drop");
    ServeFile(name, 400000);
    const std::string earlier = TestTempDir() + "\\" + name;
    ASSERT_TRUE(WriteFileBytes(earlier, "the earlier download"));
    const DownloadResult result = HttpDownloader().Download(HttpUrl("/drop/" + name), TestTempDir(), true);
    EXPECT_EQ(result.code, -4);
    EXPECT_TRUE(result.path.empty());
    EXPECT_EQ(ReadFileBytes(earlier), "the earlier download");
    EXPECT_EQ(FolderEntries(TestTempDir()), (std::vector<std::string>{"AppData", name}));
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

TEST_F(HttpDownloaderTest, BodyTheContentCheckRefusesIsMinus5AndKeepsTheEarlierFile)
{
    ScriptedServer errorPage(AnswerWithBody("<html><body>502 Bad Gateway</body></html>\n"));
    const std::string earlier = TestTempDir() + "\\pkg.tar.xz";
    ASSERT_TRUE(WriteFileBytes(earlier, "the earlier download"));
    const DownloadResult result =
        HttpDownloader().Download(errorPage.Url("/pkg.tar.xz"), TestTempDir(), false, LooksLikeXzFile);
    EXPECT_EQ(result.code, -5);
    EXPECT_TRUE(result.path.empty());
    EXPECT_EQ(errorPage.Requests(), 1);
    EXPECT_EQ(ReadFileBytes(earlier), "the earlier download");
    EXPECT_EQ(FolderEntries(TestTempDir()), (std::vector<std::string>{"AppData", "pkg.tar.xz"}));
}

TEST_F(HttpDownloaderTest, BodiesBeyondTheDiskBudgetAreRefusedOrStopped)
{
    ULARGE_INTEGER available = {};
    ASSERT_TRUE(GetDiskFreeSpaceExA((TestTempDir() + "\\").c_str(), &available, nullptr, nullptr));
    // A reserve that leaves this download 64 MB of the disk (less, should
    // parallel tests write meanwhile).
    constexpr long long kBudget = 64ll << 20;
    ASSERT_GT(available.QuadPart, uint64_t(kBudget));
    const uint64_t reserve = available.QuadPart - kBudget;
    const struct {
        const char* what;
        long long announced;  // negative: no length, ended by closing
        uint64_t reserve;
    } cases[] = {
        {"announced beyond the budget", kBudget + (16 << 20), reserve},
        {"no length, streamed past the budget", -1, reserve},
        {"announced beyond the disk and its reserve", 1ll << 50, HttpDownloader::kDiskReserve},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedServer zeros(AnswerWithZeros(c.announced));
        const DownloadResult result = HttpDownloader(c.reserve).Download(zeros.Url("/zeros.bin"), TestTempDir(), false);
        EXPECT_EQ(result.code, -4);
        EXPECT_EQ(FolderEntries(TestTempDir()), std::vector<std::string>{"AppData"});
    }

    // Within the budget the same reserve lets a download through.
    ScriptedServer small(AnswerWithBody(std::string(1 << 20, 'z')));
    const DownloadResult result = HttpDownloader(reserve).Download(small.Url("/small.bin"), TestTempDir(), false);
    ASSERT_EQ(result.code, 0);
    EXPECT_EQ(ReadFileBytes(result.path), std::string(1 << 20, 'z'));
}
