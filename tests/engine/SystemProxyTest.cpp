// Downloads through the proxies of the user's Windows settings: tinyproxy on
// loopback (tests/support/peers.py) set as the manual proxy, by a scheme's
// list, by an auto-config script served on loopback, or bypassed; and one
// that demands a login no test gives. Each test's settings are its own
// (ProxySettings).
#include "engine/HttpDownloader.h"

#include "engine/Paths.h"
#include "engine/UpdateLog.h"

#include "tests/support/ProxySettings.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

TEST(SystemProxy, TransfersGoWhereTheUsersSettingsSay)
{
    UpdateLog::Instance().Open();
    const std::string pid = std::to_string(GetCurrentProcessId());
    const std::string proxy = "127.0.0.1:" + std::to_string(PeerPort("proxy"));
    const std::string login = "127.0.0.1:" + std::to_string(PeerPort("authproxy"));
    const std::string script = "proxy-" + pid + ".pac";
    ASSERT_TRUE(WriteFileBytes(HttpRoot() + "\\" + script,
                               "function FindProxyForURL(url, host) { return \"PROXY " + proxy + "\"; }\n"));
    const std::string name = "proxied-" + pid + ".tar.xz";
    const std::string bytes = ServeVariedBytes(name, 300000);
    const std::string url = PeerUrl("nginx", "/" + name);

    const struct {
        const char* what;
        DWORD flags;
        std::string manual;
        std::string bypass;
        std::string script;
        int code;
        std::string used;  // the proxy the transfer goes through, or none
    } cases[] = {
        {"manual", ProxySettings::kManual, proxy, "", "", HttpDownloader::kOk, proxy},
        {"manual by scheme", ProxySettings::kManual, "https=" + login + ";http=" + proxy, "", "", HttpDownloader::kOk,
         proxy},
        {"manual for another scheme", ProxySettings::kManual, "https=" + login, "", "", HttpDownloader::kOk, ""},
        {"bypassed by pattern", ProxySettings::kManual, proxy, "*.invalid; 127.0.0.*", "", HttpDownloader::kOk, ""},
        {"bypass for dotless names only", ProxySettings::kManual, proxy, "<local>", "", HttpDownloader::kOk, proxy},
        {"auto-config script", ProxySettings::kScript, "", "", HttpUrl("/" + script), HttpDownloader::kOk, proxy},
        {"direct", ProxySettings::kDirect, proxy, "", "", HttpDownloader::kOk, ""},
        {"login refused", ProxySettings::kManual, login, "", "", HttpDownloader::kBadResponse, login},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string folder = TestTempDir() + "\\" + std::to_string(&c - cases);
        MakeParentDirs(folder + "\\x");
        const ProxySettings settings(c.flags, c.manual, c.bypass, c.script);
        ASSERT_TRUE(settings.Ok());
        const size_t proxyLogBefore = PeerLog("proxy").size();
        const std::string logBefore = ReadFileBytes(GetLogPath());

        RetryPolicy noRetry;
        noRetry.wait = [](uint32_t) { ADD_FAILURE() << "tried again"; };
        const DownloadResult result =
            HttpDownloader(HttpDownloader::kDiskReserve, noRetry).Download(url, folder, false);
        EXPECT_EQ(result.code, c.code);
        const std::string logged = ReadFileBytes(GetLogPath()).substr(logBefore.size());
        const std::string line = c.used.empty() ? ": no proxy." : ": through proxy " + c.used + ".";
        EXPECT_NE(logged.find("downloading " + url + line), std::string::npos) << logged;
        const bool viaProxy = PeerLog("proxy").find(name, proxyLogBefore) != std::string::npos;
        EXPECT_EQ(viaProxy, c.used == proxy);
        if (c.code == HttpDownloader::kOk) {
            EXPECT_TRUE(ReadFileBytes(result.path) == bytes) << "downloaded bytes differ";
        } else {
            EXPECT_NE(logged.find("downloading " + url + ": proxy " + login + " refused the login (407)."),
                      std::string::npos)
                << logged;
            EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{});
        }
    }
}
