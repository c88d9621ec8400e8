// winsock2.h has to come before windows.h.
#include <winsock2.h>

#include "engine/HttpDownloader.h"

#include "engine/Paths.h"
#include "engine/UpdateLog.h"
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

// A retry policy whose waits are recorded, not spent.
RetryPolicy RecordingWaits(std::vector<uint32_t>& waits)
{
    RetryPolicy policy;
    policy.wait = [&waits](uint32_t milliseconds) { waits.push_back(milliseconds); };
    return policy;
}

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

// Every failure ends in its code, after its tries: only what a moment can
// mend is tried again, and no try leaves a file or an earlier file changed.
TEST_F(HttpDownloaderTest, FailuresEndInTheirCodesAfterTheirTries)
{
    const std::string folder = TestTempDir() + "\\target";
    const std::string name = UniqueName("pkg");
    ServeFile(name, 400000);
    ASSERT_TRUE(WriteFileBytes(folder + "\\" + name, "the earlier download"));
    const RefusingPort closed;
    ASSERT_NE(closed.Port(), 0);
    const std::string refused = "http://127.0.0.1:" + std::to_string(closed.Port()) + "/" + name;
    // An error page sent with status 200, which only the content check tells.
    ScriptedServer errorPage(AnswerWithBody("<html><body>502 Bad Gateway</body></html>\n"));
    const std::string tooLong = "/" + std::string(kMaxFileNameLength - 6, 'n') + ".tar.xz";
    constexpr int kRetried = 4;  // waits of a policy of five tries
    const struct {
        std::string url;
        std::string folder;
        int code;
        int waits;
        HttpDownloader::ContentCheck accept = nullptr;
    } cases[] = {
        {errorPage.Url("/" + name), folder, HttpDownloader::kBadResponse, 0, LooksLikeXzFile},
        {HttpUrl("/status/404"), folder, HttpDownloader::kBadResponse, 0},
        {HttpUrl("/status/403"), folder, HttpDownloader::kBadResponse, 0},
        {HttpUrl("/redirect/301/" + name), folder, HttpDownloader::kBadResponse, 0},
        {HttpUrl("/redirect/302/" + name), folder, HttpDownloader::kBadResponse, 0},
        {HttpUrl("/status/500"), folder, HttpDownloader::kBadResponse, kRetried},
        {HttpUrl("/status/503"), folder, HttpDownloader::kBadResponse, kRetried},
        {HttpUrl("/status/408"), folder, HttpDownloader::kBadResponse, kRetried},
        {HttpUrl("/status/429"), folder, HttpDownloader::kBadResponse, kRetried},
        {refused, folder, HttpDownloader::kTransferFailed, kRetried},
        {HttpUrl("/drop/" + name), folder, HttpDownloader::kTransferFailed, kRetried},
        {HttpUrl("/dir/"), folder, HttpDownloader::kNoFileName, 0},
        {HttpUrl("/.."), folder, HttpDownloader::kNoFileName, 0},
        {HttpUrl("/."), folder, HttpDownloader::kNoFileName, 0},
        {HttpUrl("/sub\\..\\..\\escape.tar.xz"), folder, HttpDownloader::kNoFileName, 0},
        {HttpUrl("/c:escape.tar.xz"), folder, HttpDownloader::kNoFileName, 0},
        {HttpUrl("/COM1.tar.xz"), folder, HttpDownloader::kNoFileName, 0},
        {HttpUrl("/nul.tar.xz"), folder, HttpDownloader::kNoFileName, 0},
        {HttpUrl("/name."), folder, HttpDownloader::kNoFileName, 0},
        {HttpUrl(tooLong), folder, HttpDownloader::kNoFileName, 0},
        {HttpUrl("/" + name), folder + "\\no-such-folder", HttpDownloader::kCannotCreate, 0},
        // A folder standing where the file should go.
        {HttpUrl("/" + name), TestTempDir(), HttpDownloader::kCannotCreate, 0},
    };
    MakeParentDirs(TestTempDir() + "\\" + name + "\\x");
    const auto before = FolderTree(folder);
    const auto entriesBefore = FolderEntries(TestTempDir());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url + " into " + c.folder);
        std::vector<uint32_t> waits;
        const DownloadResult result = HttpDownloader(HttpDownloader::kDiskReserve, RecordingWaits(waits))
                                          .Download(c.url, c.folder, true, c.accept);
        EXPECT_EQ(result.code, c.code);
        EXPECT_TRUE(result.path.empty());
        EXPECT_TRUE(FolderTree(folder) == before) << "the folder changed";
        EXPECT_EQ(FolderEntries(TestTempDir()), entriesBefore);
        ASSERT_EQ(waits.size(), size_t(c.waits));
        // About 1, 2, 4 and 8 seconds, each give or take a quarter.
        for (size_t i = 0; i < waits.size(); ++i) {
            EXPECT_GE(waits[i], 750u << i);
            EXPECT_LE(waits[i], 1250u << i);
        }
        // The preparing text comes before any check; the percents of all
        // tries together only rise.
        const auto& statuses = Statuses();
        ASSERT_GE(statuses.size(), 1u);
        EXPECT_EQ(statuses[0].text, kPreparing);
        for (size_t i = 2; i < statuses.size(); ++i)
            EXPECT_GT(statuses[i].percent, statuses[i - 1].percent);
        // Only a whole body is ever reported whole.
        const bool wholeBody = c.code == HttpDownloader::kCannotCreate || c.accept != nullptr;
        EXPECT_LE(statuses.back().percent, wholeBody ? 100 : 50);
        window_.Clear();
    }
    EXPECT_EQ(ReadFileBytes(folder + "\\" + name), "the earlier download");
    EXPECT_EQ(errorPage.Requests(), 1);
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

namespace {

// Bytes the relay has sent so far for a path of the server's root.
long long RelayedBytes(const std::string& path)
{
    const std::string folder = TestTempDir() + "\\relayed";
    MakeParentDirs(folder + "\\x");
    const DownloadResult result = HttpDownloader().Download(PeerUrl("relay", "/sent" + path), folder, false);
    const long long sent = result.code == HttpDownloader::kOk ? atoll(ReadFileBytes(result.path).c_str()) : -1;
    RemoveDirTree(folder);
    return sent;
}

int CountLines(const std::string& log, const std::string& part)
{
    int count = 0;
    for (size_t at = log.find(part); at != std::string::npos; at = log.find(part, at + 1))
        ++count;
    return count;
}

}  // namespace

// Servers that fail for a moment: a busy one is waited for as long as it
// says, dropped connections go on from the bytes already kept, and the
// whole file arrives with at most a few headers sent twice.
TEST_F(HttpDownloaderTest, BusyAndDroppingServersAreWaitedForAndResumed)
{
    UpdateLog::Instance().Open();
    const struct {
        const char* what;
        const char* server;  // "http" or "relay"
        std::string path;    // before "/<name>"
        std::vector<uint32_t> waits;
        int resumes;
    } cases[] = {
        {"503 with Retry-After: 2 twice", "http", "/busy/2", {2000, 2000}, 0},
        {"dropped twice", "relay", "/cut/300000/2", {1000, 1000}, 2},
        {"dropped in the headers", "relay", "/cut/100/1", {1000}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name = UniqueName(c.server) + std::to_string(&c - cases);
        const std::string bytes = ServeFile(name, 1000000);
        const std::string url =
            std::string(c.server) == "http" ? HttpUrl(c.path + "/" + name) : PeerUrl("relay", c.path + "/" + name);
        const std::string logBefore = ReadFileBytes(GetLogPath());
        std::vector<uint32_t> waits;
        const DownloadResult result =
            HttpDownloader(HttpDownloader::kDiskReserve, RecordingWaits(waits)).Download(url, TestTempDir(), true);
        ASSERT_EQ(result.code, HttpDownloader::kOk);
        EXPECT_TRUE(ReadFileBytes(result.path) == bytes) << "downloaded bytes differ";
        EXPECT_EQ(FolderEntries(TestTempDir()), (std::vector<std::string>{"AppData", name}));
        ASSERT_EQ(waits.size(), c.waits.size());
        for (size_t i = 0; i < waits.size(); ++i) {
            EXPECT_GE(waits[i], c.waits[i] * 3 / 4);
            EXPECT_LE(waits[i], c.waits[i] * 5 / 4);
        }
        const std::string logged = ReadFileBytes(GetLogPath()).substr(logBefore.size());
        EXPECT_EQ(CountLines(logged, "trying again in"), int(c.waits.size())) << logged;
        EXPECT_EQ(CountLines(logged, "asking for the rest"), c.resumes) << logged;
        if (std::string(c.server) == "relay") {
            const long long sent = RelayedBytes("/" + name);
            EXPECT_GE(sent, static_cast<long long>(bytes.size()));
            EXPECT_LE(sent, static_cast<long long>(bytes.size()) + 2000);
        }
        ExpectRisingDownloadPercents(Statuses());
        window_.Clear();
        DeleteFileA(result.path.c_str());
    }
}

// The real wait of a server that asks for two seconds, twice.
TEST_F(HttpDownloaderTest, RetryAfterIsWaitedForInEarnest)
{
    const std::string name = UniqueName("busy");
    const std::string bytes = ServeFile(name, 1000);
    const ULONGLONG start = GetTickCount64();
    const DownloadResult result = HttpDownloader().Download(HttpUrl("/busy/2/" + name), TestTempDir(), false);
    const ULONGLONG took = GetTickCount64() - start;
    ASSERT_EQ(result.code, HttpDownloader::kOk);
    EXPECT_EQ(ReadFileBytes(result.path), bytes);
    EXPECT_GE(took, 3900u);
    EXPECT_LT(took, 10000u);
}

// A part outlives a failed run beside its version and goes on in the next
// run while the server's file is the same; a changed file, or a server that
// cannot send the rest, starts it over; parts of other files are removed.
TEST_F(HttpDownloaderTest, APartIsResumedInALaterRunOnlyWhileTheFileIsTheSame)
{
    UpdateLog::Instance().Open();
    const std::string name = UniqueName("later");
    const std::string part = TestTempDir() + "\\" + name + ".part";
    RetryPolicy once;
    once.maxTries = 1;
    ASSERT_TRUE(WriteFileBytes(TestTempDir() + "\\other.tar.xz.part", "another package's part"));
    ASSERT_TRUE(WriteFileBytes(TestTempDir() + "\\other.tar.xz.part.info", "\"1\"\n9\n"));
    ASSERT_TRUE(WriteFileBytes(TestTempDir() + "\\notes.partial", "not a part"));

    const struct {
        const char* what;
        size_t size;  // of the server's file, changed when it differs
        const char* line;
    } runs[] = {
        {"the same file", 1000000, "asking for the rest from byte "},
        {"a changed file", 1200000, "the server sent the whole file again, starting over."},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.what);
        const std::string bytes = ServeFile(name, run.size);
        if (!FileExists(part)) {
            const DownloadResult failed =
                HttpDownloader(HttpDownloader::kDiskReserve, once)
                    .Download(PeerUrl("relay", "/cut/300000/1/" + name), TestTempDir(), false);
            ASSERT_EQ(failed.code, HttpDownloader::kTransferFailed);
            EXPECT_EQ(FolderEntries(TestTempDir()),
                      (std::vector<std::string>{"AppData", name + ".part", name + ".part.info", "notes.partial"}));
        }
        const std::string logBefore = ReadFileBytes(GetLogPath());
        const DownloadResult result =
            HttpDownloader().Download(PeerUrl("relay", "/cut/300000/1/" + name), TestTempDir(), false);
        ASSERT_EQ(result.code, HttpDownloader::kOk);
        EXPECT_TRUE(ReadFileBytes(result.path) == bytes) << "downloaded bytes differ";
        const std::string logged = ReadFileBytes(GetLogPath()).substr(logBefore.size());
        EXPECT_NE(logged.find(run.line), std::string::npos) << logged;
        EXPECT_EQ(FolderEntries(TestTempDir()), (std::vector<std::string>{"AppData", name, "notes.partial"}));
        // The next run fails once more, with a part kept, and then finds a
        // file of another size on the server.
        const std::string cut = "/cut/" + std::to_string(300001 + (&run - runs)) + "/1/";
        ASSERT_EQ(HttpDownloader(HttpDownloader::kDiskReserve, once)
                      .Download(PeerUrl("relay", cut + name), TestTempDir(), false)
                      .code,
                  HttpDownloader::kTransferFailed);
    }
}

// A 416 to the request for the rest starts the part over at once.
TEST_F(HttpDownloaderTest, UnsatisfiableRangeStartsOver)
{
    const std::string body = std::string(5000, 'b');
    int answered = 0;
    ScriptedServer server([&](ScriptedConnection& connection) {
        if (answered++ == 0)
            connection.Send("HTTP/1.1 416 Range Not Satisfiable\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        else
            AnswerWithBody(body)(connection);
    });
    const std::string url = server.Url("/range.bin");
    ASSERT_TRUE(WriteFileBytes(TestTempDir() + "\\range.bin.part", std::string(3000, 'a')));
    ASSERT_TRUE(WriteFileBytes(TestTempDir() + "\\range.bin.part.info", "\"v1\"\n6000\n"));
    std::vector<uint32_t> waits;
    const DownloadResult result =
        HttpDownloader(HttpDownloader::kDiskReserve, RecordingWaits(waits)).Download(url, TestTempDir(), false);
    ASSERT_EQ(result.code, HttpDownloader::kOk);
    EXPECT_EQ(ReadFileBytes(result.path), body);
    EXPECT_EQ(server.Requests(), 2);
    EXPECT_TRUE(waits.empty());
    EXPECT_EQ(FolderEntries(TestTempDir()), (std::vector<std::string>{"AppData", "range.bin"}));
}
