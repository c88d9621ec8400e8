#include "engine/HttpDownloader.h"

// curl brings in winsock2.h, which has to come before windows.h. The classic
// progress callback is what the status protocol is built on.
#define CURL_DISABLE_DEPRECATION
#include <curl/curl.h>

#include "base/PathUtil.h"
#include "engine/PartFile.h"
#include "engine/ServerTrust.h"
#include "engine/SystemProxy.h"
#include "engine/UpdateLog.h"
#include "engine/UpdateStatus.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>

namespace {

// Longest local path the downloader writes to; a longer one is refused
// rather than cut.
constexpr size_t kMaxLocalPathLength = 2047;

struct EasyCleanup {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using EasyHandle = std::unique_ptr<CURL, EasyCleanup>;

// The proxy of the user's settings, or none; not libcurl's own choice (its
// environment variables), which Windows users do not set.
void SetProxy(CURL* easy, const std::string& url, const std::string& proxy)
{
    if (proxy.empty()) {
        UpdateLog::Instance().Write("downloading %s: no proxy.", url.c_str());
        curl_easy_setopt(easy, CURLOPT_PROXY, "");
        return;
    }
    UpdateLog::Instance().Write("downloading %s: through proxy %s.", url.c_str(), proxy.c_str());
    curl_easy_setopt(easy, CURLOPT_PROXY, ("http://" + proxy).c_str());
    // A proxy that asks for a login gets the logged-on user's, through
    // Windows' own Negotiate or NTLM; no password is ever stored.
    curl_easy_setopt(easy, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_NEGOTIATE | CURLAUTH_NTLM));
    curl_easy_setopt(easy, CURLOPT_PROXYUSERPWD, ":");
}

void SetTransferOptions(CURL* easy, const std::string& url, PartFile& part, bool watchProgress)
{
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, PartFile::OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &part);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, PartFile::OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &part);
    RequireTrustedServer(easy);
    if (watchProgress) {
        curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(easy, CURLOPT_PROGRESSFUNCTION, PartFile::OnProgress);
        curl_easy_setopt(easy, CURLOPT_PROGRESSDATA, &part);
    }
    // No limit on the whole time, so that a slow line still gets its update;
    // but a server that stops sending, or a length beyond the disk's room,
    // must not hold the run or fill the disk.
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, HttpDownloader::kStallSeconds);
}

}  // namespace

bool HttpDownloader::Stopped() const
{
    return stopped_ && stopped_();
}

bool HttpDownloader::WaitBeforeRetry(uint32_t delay) const
{
    if (delay == 0)
        return !Stopped();
    if (retry_.wait) {
        retry_.wait(delay);
        return !Stopped();
    }
    // In slices, so that a run that is ending need not wait the whole delay.
    constexpr uint32_t kSlice = 100;
    for (uint32_t waited = 0; waited < delay; waited += kSlice) {
        if (Stopped())
            return false;
        Sleep(std::min(kSlice, delay - waited));
    }
    return !Stopped();
}

bool MakePackageUrl(const std::string& uri, const std::string& package, std::string& url)
{
    url.clear();
    if (uri.size() + 1 + package.size() > kMaxPackageUrlLength)
        return false;
    url = uri + "/" + package;
    return true;
}

DownloadResult HttpDownloader::Download(const std::string& url, const std::string& folder, bool showProgress,
                                        const ContentCheck& accept)
{
    if (showProgress)
        PostStatus("准备下载...", 0);

    EasyHandle handle(curl_easy_init());
    if (!handle)
        return {kNoHandle, ""};

    std::string urlFolder, name;
    SplitPath(url, urlFolder, name, true);
    if (!IsPlainFileName(name))
        return {kNoFileName, ""};

    const std::string localPath = folder + "\\" + name;
    if (localPath.size() + strlen(PartFile::kInfoSuffix) > kMaxLocalPathLength)
        return {kCannotCreate, ""};
    RemoveOtherParts(folder, name);
    PartFile part(handle.get(), url, localPath, showProgress, stopped_);
    part.PickUp();
    SetTransferOptions(handle.get(), url, part, showProgress || stopped_);
    const std::string proxy = SystemProxyFor(url);
    SetProxy(handle.get(), url, proxy);

    int tries = 0;
    ULONGLONG lastProgress = GetTickCount64();
    for (;;) {
        const TryResult result = part.Try(folder, diskReserve_, maxSize_);
        if (result.verdict == TryResult::kDone)
            break;
        if (part.Kept()) {
            tries = 0;
            lastProgress = GetTickCount64();
        }
        ++tries;
        if (result.verdict == TryResult::kStartOver)
            part.Discard();
        const uint32_t delay =
            result.verdict == TryResult::kStartOver ? 0 : RetryDelay(retry_, tries, result.retryAfterMs);
        if (result.proxyLogin)
            UpdateLog::Instance().Write("downloading %s: proxy %s refused the login (407).", url.c_str(),
                                        proxy.c_str());
        if (result.verdict == TryResult::kFail || tries >= retry_.maxTries ||
            GetTickCount64() - lastProgress + delay > retry_.giveUpAfterMs || Stopped()) {
            part.KeepOrDiscard();
            return {result.code, ""};
        }
        UpdateLog::Instance().Write("downloading %s: %s, trying again in %u ms (try %d of %d).", url.c_str(),
                                    result.reason.c_str(), delay, tries + 1, retry_.maxTries);
        if (!WaitBeforeRetry(delay)) {
            part.KeepOrDiscard();
            return {kTransferFailed, ""};
        }
    }

    // The file is judged whole as a single transfer would be: its length as
    // the server gave it, then the caller's look at its content.
    const uint64_t expected = part.ExpectedLength();
    if ((expected > 0 && part.Size() != expected) || (accept && !accept(part.Path()))) {
        part.Discard();
        return {kBadResponse, ""};
    }
    if (!MoveFileExA(part.Path().c_str(), localPath.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        part.Discard();
        return {kCannotCreate, ""};
    }
    part.Discard();
    return {kOk, localPath};
}
