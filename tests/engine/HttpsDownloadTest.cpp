// Downloads over HTTPS from the run's loopback servers (see
// tests/support/http_server.py): Windows' TLS through libcurl, and the check
// of the server made before the request is sent.
#include "engine/HttpDownloader.h"

#include "base/PathUtil.h"
#include "engine/Paths.h"
#include "engine/UpdateLog.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The file the server sends, of a size beyond libcurl's buffers.
std::string ServeFile(const std::string& name)
{
    return ServeVariedBytes(name, 700001);
}

}  // namespace

TEST(HttpsDownload, OnlyATrustedServerOverTls12OrNewerGetsTheRequest)
{
    UpdateLog::Instance().Open();
    const std::string name = std::string("tls-") + std::to_string(GetCurrentProcessId()) + ".tar.xz";
    const std::string bytes = ServeFile(name);
    // How a refused server shows in the log: the check's line, or (for an old
    // protocol that the system's TLS may already refuse in the handshake)
    // that line or none.
    enum Refusal { kNotRefused, kCheckLine, kCheckLineOrSystem };
    const struct {
        const char* server;
        const char* path;
        int code;
        Refusal refusal;
    } cases[] = {
        {"trusted", "/", HttpDownloader::kOk, kNotRefused},
        {"trusted", "/drop/", HttpDownloader::kTransferFailed, kNotRefused},
        {"unknownca", "/", HttpDownloader::kTransferFailed, kCheckLine},
        {"otherhost", "/", HttpDownloader::kTransferFailed, kCheckLine},
        {"expired", "/", HttpDownloader::kTransferFailed, kCheckLine},
        {"tls10", "/", HttpDownloader::kTransferFailed, kCheckLineOrSystem},
    };
    for (const auto& c : cases) {
        const std::string url = HttpsUrl(c.server, c.path + name);
        SCOPED_TRACE(std::string(c.server) + " " + url);
        const std::string folder = TestTempDir() + "\\" + c.server + (c.path + 1);
        MakeParentDirs(folder + "\\x");
        const std::string logBefore = ReadFileBytes(GetUserDataDir() + "\\update.log");

        const DownloadResult result = HttpDownloader().Download(url, folder, false);
        EXPECT_EQ(result.code, c.code);
        const std::string local = ReadFileBytes(folder + "\\" + name);
        if (c.code == HttpDownloader::kOk) {
            EXPECT_EQ(result.path, folder + "\\" + name);
            EXPECT_TRUE(local == bytes) << "downloaded bytes differ";
            continue;
        }
        EXPECT_TRUE(result.path.empty());
        EXPECT_LT(local.size(), bytes.size());
        const std::string logged = ReadFileBytes(GetUserDataDir() + "\\update.log").substr(logBefore.size());
        const bool checkLine =
            logged.find("server localhost refused: certificate or protocol check failed, errcode[0x") !=
            std::string::npos;
        if (c.refusal == kNotRefused) {
            EXPECT_EQ(logged, "");
            continue;
        }
        // The server got no request: not one byte of an answer reached the disk.
        EXPECT_EQ(local.size(), 0u);
        if (c.refusal == kCheckLine) {
            EXPECT_TRUE(checkLine) << logged;
        }
    }
}
