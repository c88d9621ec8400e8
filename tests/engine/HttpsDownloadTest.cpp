// Downloads over HTTPS from the run's loopback servers (see
// tests/support/http_server.py): Windows' TLS through libcurl, and the check
// of the server made before the request is sent.
#include "engine/HttpDownloader.h"

#include "base/PathUtil.h"
#include "engine/Paths.h"
#include "engine/UpdateLog.h"

#include "tests/support/ProxySettings.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// The file the server sends, of a size beyond libcurl's buffers.
std::string ServeFile(const std::string& name)
{
    return ServeVariedBytes(name, 700001);
}

// The messages of log lines, without their times.
std::vector<std::string> LoggedMessages(const std::string& log)
{
    std::vector<std::string> messages;
    for (size_t at = log.find("]  "); at != std::string::npos; at = log.find("]  ", at)) {
        const size_t end = log.find("\r\n", at);
        messages.push_back(log.substr(at + 3, end - at - 3));
        at = end;
    }
    return messages;
}

}  // namespace

TEST(HttpsDownload, OnlyATrustedServerOverTls12OrNewerGetsTheRequest)
{
    UpdateLog::Instance().Open();
    const std::string name = std::string("tls-") + std::to_string(GetCurrentProcessId()) + ".tar.xz";
    const std::string bytes = ServeFile(name);
    const std::string refused = "server localhost refused: certificate or protocol check failed, errcode[0x";
    const std::string unchecked = "server localhost: revocation of its certificate cannot be checked, accepted.";
    // How a refused server shows in the log: the check's line, or (for an old
    // protocol that the system's TLS may already refuse in the handshake)
    // that line or none.
    enum Refusal { kNotRefused, kCheckLine, kCheckLineOrSystem };
    const struct {
        const char* server;
        const char* path;
        int code;
        Refusal refusal;
        std::string line;  // the one line logged, when not refused
    } cases[] = {
        {"trusted", "/", HttpDownloader::kOk, kNotRefused, ""},
        {"nocrl", "/", HttpDownloader::kOk, kNotRefused, unchecked},
        {"unknownca", "/", HttpDownloader::kTransferFailed, kCheckLine, ""},
        {"otherhost", "/", HttpDownloader::kTransferFailed, kCheckLine, ""},
        {"expired", "/", HttpDownloader::kTransferFailed, kCheckLine, ""},
        {"revoked", "/", HttpDownloader::kTransferFailed, kCheckLine, "errcode[0x80092010]"},
        {"tls10", "/", HttpDownloader::kTransferFailed, kCheckLineOrSystem, ""},
    };
    // Through the user's proxy (CONNECT) with the same checks, and directly.
    // Wine's chain engine passes a revoked certificate the second time a
    // process checks it, so the revoked server is asked once, through the
    // proxy.
    const std::string proxy = "127.0.0.1:" + std::to_string(PeerPort("proxy"));
    for (const bool viaProxy : {true, false}) {
        std::unique_ptr<ProxySettings> settings;
        if (viaProxy)
            settings = std::make_unique<ProxySettings>(ProxySettings::kManual, proxy, "", "");
        const std::string proxyLine = viaProxy ? ": through proxy " + proxy + "." : ": no proxy.";
        for (const auto& c : cases) {
            if (!viaProxy && std::string(c.server) == "revoked")
                continue;
            const std::string url = HttpsUrl(c.server, c.path + name);
            SCOPED_TRACE(std::string(c.server) + " " + url + proxyLine);
            const std::string folder = TestTempDir() + "\\" + c.server + (viaProxy ? "-proxied" : "");
            MakeParentDirs(folder + "\\x");
            const std::string logBefore = ReadFileBytes(GetUserDataDir() + "\\update.log");

            // A refused server is never tried again: a policy that would wait
            // fails the test.
            RetryPolicy noRetry;
            noRetry.wait = [](uint32_t) { ADD_FAILURE() << "a refused server was tried again"; };
            const DownloadResult result =
                HttpDownloader(HttpDownloader::kDiskReserve, noRetry).Download(url, folder, false);
            EXPECT_EQ(result.code, c.code);
            const std::string local = ReadFileBytes(folder + "\\" + name);
            const std::string logged = ReadFileBytes(GetUserDataDir() + "\\update.log").substr(logBefore.size());
            if (c.refusal == kNotRefused) {
                EXPECT_EQ(result.path, folder + "\\" + name);
                EXPECT_TRUE(local == bytes) << "downloaded bytes differ";
                std::vector<std::string> expected = {"downloading " + url + proxyLine};
                if (!c.line.empty())
                    expected.push_back(c.line);
                EXPECT_EQ(LoggedMessages(logged), expected);
                continue;
            }
            EXPECT_TRUE(result.path.empty());
            // The server got no request: not one byte of an answer reached the disk.
            EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{});
            if (c.refusal == kCheckLine) {
                EXPECT_NE(logged.find(refused), std::string::npos) << logged;
            EXPECT_NE(logged.find(c.line), std::string::npos) << logged;
            }
        }
    }
}
