#include "engine/HttpDownloader.h"

// curl brings in winsock2.h, which has to come before windows.h. The classic
// progress callback is what the status protocol is built on.
#define CURL_DISABLE_DEPRECATION
#include <curl/curl.h>

#include "base/PathUtil.h"
#include "base/ScopedHandles.h"
#include "engine/Paths.h"
#include "engine/ServerTrust.h"
#include "engine/SystemProxy.h"
#include "engine/UpdateLog.h"
#include "engine/UpdateStatus.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <random>
#include <string_view>

namespace {

// Longest local path the downloader writes to; a longer one is refused
// rather than cut.
constexpr size_t kMaxLocalPathLength = 2047;
constexpr char kPartSuffix[] = ".part";
constexpr char kInfoSuffix[] = ".part.info";

struct EasyCleanup {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using EasyHandle = std::unique_ptr<CURL, EasyCleanup>;

struct ListCleanup {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, ListCleanup>;

uint64_t FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return 0;
    return (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// What a kept part is a part of: the file's version as the server named it,
// and the file's whole length.
struct PartInfo {
    std::string validator;
    uint64_t length = 0;

    bool Resumable() const { return !validator.empty() && length > 0; }
    std::string Format() const { return validator + "\n" + std::to_string(length) + "\n"; }
    bool Parse(const std::string& text)
    {
        const size_t end = text.find('\n');
        if (end == std::string::npos)
            return false;
        validator = text.substr(0, end);
        length = strtoull(text.c_str() + end + 1, nullptr, 10);
        return Resumable();
    }
};

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

// True when the header line is "name: value" (the name in any case).
bool HeaderValue(std::string_view line, const char* name, std::string& value)
{
    const size_t length = strlen(name);
    if (line.size() <= length || line[length] != ':' || _strnicmp(line.data(), name, length) != 0)
        return false;
    value = std::string(Trimmed(line.substr(length + 1)));
    return true;
}

// "bytes START-END/TOTAL".
bool ParseContentRange(const std::string& value, uint64_t& start, uint64_t& total)
{
    if (value.compare(0, 6, "bytes ") != 0)
        return false;
    char* end = nullptr;
    start = strtoull(value.c_str() + 6, &end, 10);
    const char* slash = strchr(end, '/');
    if (*end != '-' || slash == nullptr)
        return false;
    total = strtoull(slash + 1, &end, 10);
    return *end == '\0' && total > start;
}

// What the headers of the latest response said.
struct Response {
    long status = 0;
    std::string etag;
    std::string lastModified;
    std::string retryAfter;
    uint64_t length = 0;
    bool hasRange = false;
    uint64_t rangeStart = 0;
    uint64_t rangeTotal = 0;
    bool complete = false;  // the blank line that ends the headers came

    void Read(std::string_view line)
    {
        if (Trimmed(line).empty()) {
            complete = true;
            return;
        }
        if (line.compare(0, 5, "HTTP/") == 0) {
            *this = Response{};
            const size_t space = line.find(' ');
            if (space != std::string_view::npos)
                status = strtol(std::string(line.substr(space + 1, 3)).c_str(), nullptr, 10);
            return;
        }
        std::string value;
        if (HeaderValue(line, "ETag", value))
            etag = value;
        else if (HeaderValue(line, "Last-Modified", value))
            lastModified = value;
        else if (HeaderValue(line, "Retry-After", value))
            retryAfter = value;
        else if (HeaderValue(line, "Content-Length", value))
            length = strtoull(value.c_str(), nullptr, 10);
        else if (HeaderValue(line, "Content-Range", value))
            hasRange = ParseContentRange(value, rangeStart, rangeTotal);
    }
    // A weak ETag may name equal but different bytes, so it cannot ask for a
    // rest; a date can.
    std::string Validator() const
    {
        if (!etag.empty() && etag.compare(0, 2, "W/") != 0)
            return etag;
        return lastModified;
    }
    // Milliseconds the server asked to wait, or -1 when it did not say.
    long long RetryAfterMs() const
    {
        if (retryAfter.empty())
            return -1;
        char* end = nullptr;
        const long long seconds = strtoll(retryAfter.c_str(), &end, 10);
        if (*end == '\0' && seconds >= 0)
            return seconds * 1000;
        const time_t when = curl_getdate(retryAfter.c_str(), nullptr);
        if (when < 0)
            return -1;
        const long long ahead = static_cast<long long>(when) - static_cast<long long>(time(nullptr));
        return ahead > 0 ? ahead * 1000 : 0;
    }
};

// What a try came to.
struct TryResult {
    enum Verdict { kDone, kRetry, kStartOver, kFail } verdict;
    int code;            // HttpDownloader's code, should the download end here
    std::string reason;  // for the retry's log line
    long long retryAfterMs = -1;
    bool proxyLogin = false;  // the proxy still asked for a login
};

bool IsTransient(CURLcode code)
{
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
        return true;
    default:
        return false;
    }
}

bool IsTransientStatus(long status)
{
    return status == 408 || status == 429 || (status >= 500 && status <= 599);
}

// What the folder's disk can take before only the reserve is left; 0 when
// it cannot be told or nothing is left.
uint64_t DiskBudget(const std::string& folder, uint64_t reserve)
{
    ULARGE_INTEGER available = {};
    if (!GetDiskFreeSpaceExA((folder + "\\").c_str(), &available, nullptr, nullptr))
        return 0;
    return available.QuadPart > reserve ? available.QuadPart - reserve : 0;
}

// The download's file on disk: "<name>.part" and, while it can be resumed,
// "<name>.part.info" beside it. Each try writes the body of one response
// into the part.
class PartFile {
public:
    PartFile(CURL* easy, const std::string& url, const std::string& localPath, bool showProgress,
             const std::function<bool()>& stopped)
        : easy_(easy), url_(url), partPath_(localPath + kPartSuffix), infoPath_(localPath + kInfoSuffix),
          showProgress_(showProgress), stopped_(stopped)
    {
    }

    // Takes up a part that an earlier try kept for this file, or removes it.
    // Whether the part still fits the server's file is the server's to say
    // (If-Range), so a part fetched from another address serves as well.
    void PickUp()
    {
        std::string text;
        PartInfo kept;
        const uint64_t size = FileSize(partPath_);
        if (ReadWholeFile(infoPath_, text) && kept.Parse(text) && size > 0 && size < kept.length) {
            info_ = kept;
            offset_ = size;
            return;
        }
        Discard();
    }

    void Discard()
    {
        DeleteFileA(partPath_.c_str());
        DeleteFileA(infoPath_.c_str());
        info_ = PartInfo{};
        offset_ = 0;
    }

    // Keeps the part for a later try only when it can be resumed.
    void KeepOrDiscard()
    {
        if (!info_.Resumable() || offset_ == 0)
            Discard();
    }

    const std::string& Path() const { return partPath_; }
    uint64_t ExpectedLength() const { return info_.length; }

    // One request for what is missing, taking at most what the disk has
    // beyond the reserve.
    TryResult Try(const std::string& folder, uint64_t reserve, uint64_t maxSize)
    {
        ScopedHandle file(CreateFileA(partPath_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid() || !Seek(file.Get(), offset_))
            return {TryResult::kFail, HttpDownloader::kCannotCreate, ""};
        const uint64_t budget = std::min(DiskBudget(folder, reserve), maxSize > offset_ ? maxSize - offset_ : 0);
        if (budget == 0)
            return {TryResult::kFail, HttpDownloader::kTransferFailed, ""};
        file_ = file.Get();
        budget_ = budget;
        written_ = 0;
        started_ = keep_ = overBudget_ = writeFailed_ = badRange_ = false;
        response_ = Response{};
        const uint64_t before = offset_;

        const std::string range = std::to_string(offset_) + "-";
        HeaderList headers;
        if (offset_ > 0) {
            headers.reset(curl_slist_append(nullptr, ("If-Range: " + info_.validator).c_str()));
            UpdateLog::Instance().Write("downloading %s: asking for the rest from byte %s of %s.", url_.c_str(),
                                        std::to_string(offset_).c_str(), std::to_string(info_.length).c_str());
        }
        curl_easy_setopt(easy_, CURLOPT_RANGE, offset_ > 0 ? range.c_str() : nullptr);
        curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headers.get());
        curl_easy_setopt(easy_, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(budget));
        const CURLcode transfer = curl_easy_perform(easy_);
        if (!started_)
            StartBody();
        file_ = INVALID_HANDLE_VALUE;
        const bool closed = CloseHandle(file.Release()) != FALSE;
        // Without the file's version the bytes cannot be asked for again.
        if (keep_)
            offset_ = info_.Resumable() ? base_ + written_ : 0;
        TryResult result = Judge(transfer, closed);
        kept_ = info_.Resumable() && offset_ > before;
        return result;
    }

    // Whether the last try added bytes that a further try keeps.
    bool Kept() const { return kept_; }

    static size_t OnHeader(char* data, size_t size, size_t count, void* self)
    {
        static_cast<PartFile*>(self)->response_.Read(std::string_view(data, size * count));
        return size * count;
    }

    static size_t OnBody(char* data, size_t size, size_t count, void* self)
    {
        return static_cast<PartFile*>(self)->Write(data, size * count);
    }

    // A non-zero answer ends the transfer (as aborted by the callback).
    static int OnProgress(void* self, double total, double now, double, double)
    {
        PartFile& part = *static_cast<PartFile*>(self);
        if (part.stopped_ && part.stopped_())
            return 1;
        part.Report(total, now);
        return 0;
    }

private:
    static bool Seek(HANDLE file, uint64_t offset)
    {
        LARGE_INTEGER position;
        position.QuadPart = static_cast<LONGLONG>(offset);
        return SetFilePointerEx(file, position, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    }

    // Decides, at the first byte of a body, where it goes: a 206 that goes on
    // from the part is appended, a 200 starts the part over, anything else
    // (an error page) is read and dropped, so that the part survives it.
    void StartBody()
    {
        started_ = true;
        const long status = response_.status;
        if (status == 206 && offset_ > 0) {
            badRange_ = !response_.hasRange || response_.rangeStart != offset_ || response_.rangeTotal != info_.length;
            keep_ = !badRange_;
            base_ = offset_;
            return;
        }
        if (status != 200)
            return;
        if (offset_ > 0)
            UpdateLog::Instance().Write("downloading %s: the server sent the whole file again, starting over.",
                                        url_.c_str());
        keep_ = Seek(file_, 0);
        writeFailed_ = !keep_;
        base_ = 0;
        offset_ = 0;
        info_.validator = response_.Validator();
        info_.length = response_.length;
        if (info_.Resumable())
            writeFailed_ = writeFailed_ || !WriteWholeFile(infoPath_, info_.Format());
        else
            DeleteFileA(infoPath_.c_str());
    }

    size_t Write(const char* data, size_t bytes)
    {
        if (!started_)
            StartBody();
        if (badRange_ || writeFailed_)
            return 0;
        if (!keep_)
            return bytes;
        // A short count ends the transfer as failed.
        if (bytes > budget_ - written_) {
            overBudget_ = true;
            return 0;
        }
        DWORD done = 0;
        if (!WriteFile(file_, data, static_cast<DWORD>(bytes), &done, nullptr) || done != bytes) {
            writeFailed_ = true;
            return 0;
        }
        written_ += bytes;
        return bytes;
    }

    void Report(double total, double now)
    {
        if (!showProgress_ || total <= 0 || (response_.status != 200 && response_.status != 206))
            return;
        const double base = response_.status == 206 ? static_cast<double>(offset_) : 0;
        const int percent = static_cast<int>((base + now) * 100 / (base + total));
        if (percent > lastPercent_ && percent <= 100) {
            lastPercent_ = percent;
            char text[256];
            snprintf(text, sizeof(text), "正在下载: %d%%", percent);
            PostStatus(text, percent);
        }
    }

    TryResult Judge(CURLcode transfer, bool closed) const
    {
        long status = 0;
        if (curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK)
            status = 0;
        long tunnel = 0;
        if (curl_easy_getinfo(easy_, CURLINFO_HTTP_CONNECTCODE, &tunnel) != CURLE_OK)
            tunnel = 0;
        if (status == 407 || tunnel == 407)
            return {TryResult::kFail, HttpDownloader::kBadResponse, "", -1, true};
        if (overBudget_ || writeFailed_ || !closed || transfer == CURLE_FILESIZE_EXCEEDED ||
            transfer == CURLE_ABORTED_BY_CALLBACK)
            return {TryResult::kFail, HttpDownloader::kTransferFailed, ""};
        // A connection that ends within the headers is a dropped one, also
        // where the library takes what came for a whole answer.
        if (status != 0 && !response_.complete)
            return {TryResult::kRetry, HttpDownloader::kTransferFailed, "the connection ended within the headers"};
        if (badRange_ || (status == 416 && offset_ > 0))
            return {TryResult::kStartOver, HttpDownloader::kBadResponse, "the server cannot send the rest"};
        if (IsTransientStatus(status))
            return {TryResult::kRetry, HttpDownloader::kBadResponse, "status " + std::to_string(status),
                    response_.RetryAfterMs()};
        if (transfer != CURLE_OK) {
            if (IsTransient(transfer))
                return {TryResult::kRetry, HttpDownloader::kTransferFailed, curl_easy_strerror(transfer)};
            return {TryResult::kFail, HttpDownloader::kTransferFailed, ""};
        }
        if (status == 200 || (status == 206 && keep_))
            return {TryResult::kDone, HttpDownloader::kOk, ""};
        return {TryResult::kFail, HttpDownloader::kBadResponse, ""};
    }

    CURL* easy_;
    std::string url_;
    std::string partPath_;
    std::string infoPath_;
    bool showProgress_;
    const std::function<bool()>& stopped_;
    PartInfo info_;
    uint64_t offset_ = 0;
    // The try under way.
    HANDLE file_ = INVALID_HANDLE_VALUE;
    uint64_t budget_ = 0;
    uint64_t written_ = 0;
    uint64_t base_ = 0;
    Response response_;
    bool started_ = false;
    bool keep_ = false;
    bool overBudget_ = false;
    bool writeFailed_ = false;
    bool badRange_ = false;
    bool kept_ = false;
    // The reported percentage, rising only, across all tries.
    int lastPercent_ = 0;
};

// Parts of other files are left by downloads of earlier packages: only the
// one of this name can still be of use.
void RemoveOtherParts(const std::string& folder, const std::string& name)
{
    for (const char* suffix : {kPartSuffix, kInfoSuffix}) {
        WIN32_FIND_DATAA found = {};
        ScopedFind find(FindFirstFileA((folder + "\\*" + suffix).c_str(), &found));
        if (!find.Valid())
            continue;
        do {
            // The pattern also finds names whose suffix merely begins so.
            const std::string entry = found.cFileName;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && EndsWith(entry, suffix) &&
                entry != name + suffix)
                DeleteFileA((folder + "\\" + entry).c_str());
        } while (FindNextFileA(find.Get(), &found));
    }
}

// The wait before the try after `tries` failed ones: the server's word if
// it gave one (up to the limit), else the doubling delay with its jitter.
uint32_t RetryDelay(const RetryPolicy& policy, int tries, long long retryAfterMs)
{
    if (retryAfterMs >= 0)
        return static_cast<uint32_t>(std::min<long long>(retryAfterMs, policy.retryAfterLimitMs));
    static std::minstd_rand random(static_cast<unsigned>(GetTickCount64()));
    const double nominal =
        static_cast<double>(policy.firstDelayMs) * static_cast<double>(1u << std::min(tries - 1, 16));
    std::uniform_real_distribution<double> jitter(0.75, 1.25);
    return static_cast<uint32_t>(nominal * jitter(random));
}

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
                                        ContentCheck accept)
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
    if (localPath.size() + strlen(kInfoSuffix) > kMaxLocalPathLength)
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
    if ((expected > 0 && FileSize(part.Path()) != expected) || (accept && !accept(part.Path()))) {
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
