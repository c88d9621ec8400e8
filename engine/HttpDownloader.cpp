#include "engine/HttpDownloader.h"

// curl brings in winsock2.h, which has to come before windows.h. The classic
// progress callback is what the status protocol is built on.
#define CURL_DISABLE_DEPRECATION
#include <curl/curl.h>

#include "engine/Paths.h"
#include "base/ScopedHandles.h"
#include "engine/ServerTrust.h"
#include "engine/UpdateStatus.h"

#include <cstdio>
#include <memory>

namespace {

// Longest local path the downloader writes to; a longer one is refused
// rather than cut.
constexpr size_t kMaxLocalPathLength = 2047;

struct EasyCleanup {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using EasyHandle = std::unique_ptr<CURL, EasyCleanup>;

size_t WriteToFile(char* data, size_t size, size_t count, void* file)
{
    return fwrite(data, size, count, static_cast<FILE*>(file));
}

int ReportProgress(void* lastPercent, double downloadTotal, double downloaded, double, double)
{
    if (downloadTotal <= 0)
        return 0;
    int& last = *static_cast<int*>(lastPercent);
    const int percent = static_cast<int>(downloaded * 100 / downloadTotal);
    if (percent > last) {
        last = percent;
        char text[256];
        snprintf(text, sizeof(text), "正在下载: %d%%", percent);
        PostStatus(text, percent);
    }
    return 0;
}

// The name becomes a file of the target folder; anything that could reach
// another folder or a stream of another file is not a usable name.
bool IsUsableFileName(const std::string& name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    return name.find_first_of("\\:") == std::string::npos;
}

}  // namespace

bool MakePackageUrl(const std::string& uri, const std::string& package, std::string& url)
{
    url.clear();
    if (uri.size() + 1 + package.size() > kMaxPackageUrlLength)
        return false;
    url = uri + "/" + package;
    return true;
}

DownloadResult HttpDownloader::Download(const std::string& url, const std::string& folder, bool showProgress)
{
    if (showProgress)
        PostStatus("准备下载...", 0);

    EasyHandle handle(curl_easy_init());
    if (!handle)
        return {kNoHandle, ""};

    std::string urlFolder, name;
    SplitPath(url, urlFolder, name, true);
    if (!IsUsableFileName(name))
        return {kNoFileName, ""};

    const std::string localPath = folder + "\\" + name;
    if (localPath.size() > kMaxLocalPathLength)
        return {kCannotCreate, ""};
    ScopedFile file(fopen(localPath.c_str(), "wb"));
    if (!file)
        return {kCannotCreate, ""};

    int lastPercent = 0;
    CURL* easy = handle.get();
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, WriteToFile);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, file.Get());
    RequireTrustedServer(easy);
    if (showProgress) {
        curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(easy, CURLOPT_PROGRESSFUNCTION, ReportProgress);
        curl_easy_setopt(easy, CURLOPT_PROGRESSDATA, &lastPercent);
    }

    const CURLcode transfer = curl_easy_perform(easy);
    // Data still buffered is written by the close; a failing close means the
    // file on disk is incomplete, which is a failed transfer too.
    const bool closed = fclose(file.Release()) == 0;
    if (transfer != CURLE_OK || !closed)
        return {kTransferFailed, ""};

    long status = 0;
    if (curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK || status != 200)
        return {kBadResponse, ""};
    return {kOk, localPath};
}
