#include "engine/HttpDownloader.h"

// curl brings in winsock2.h, which has to come before windows.h. The classic
// progress callback is what the status protocol is built on.
#define CURL_DISABLE_DEPRECATION
#include <curl/curl.h>

#include "base/ScopedHandles.h"
#include "engine/Paths.h"
#include "engine/ServerTrust.h"
#include "engine/UpdateStatus.h"

#include <windows.h>

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

// A file that holds a download until it has been accepted; removed unless
// it was moved into place.
class PartFile {
public:
    // Creates a file of a unique name in the folder; false when it cannot.
    bool Create(const std::string& folder)
    {
        char path[MAX_PATH] = {};
        if (GetTempFileNameA(folder.c_str(), "dl", 0, path) == 0)
            return false;
        path_ = path;
        return true;
    }
    ~PartFile()
    {
        if (!path_.empty())
            DeleteFileA(path_.c_str());
    }
    PartFile() = default;
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    const std::string& Path() const { return path_; }

    bool MoveTo(const std::string& target)
    {
        if (!MoveFileExA(path_.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
            return false;
        path_.clear();
        return true;
    }

private:
    std::string path_;
};

// Where the body goes, and how much of the disk it may take.
struct Sink {
    FILE* file;
    uint64_t budget;
    uint64_t written;
};

size_t WriteToFile(char* data, size_t size, size_t count, void* sinkData)
{
    Sink& sink = *static_cast<Sink*>(sinkData);
    const uint64_t bytes = uint64_t(size) * count;
    // A short count ends the transfer as failed.
    if (bytes > sink.budget - sink.written)
        return 0;
    sink.written += bytes;
    return fwrite(data, size, count, sink.file);
}

struct Progress {
    bool show;
    int lastPercent;
    const std::function<bool()>& stopped;
};

int ReportProgress(void* data, double downloadTotal, double downloaded, double, double)
{
    Progress& progress = *static_cast<Progress*>(data);
    if (progress.stopped && progress.stopped())
        return 1;
    if (!progress.show || downloadTotal <= 0)
        return 0;
    const int percent = static_cast<int>(downloaded * 100 / downloadTotal);
    if (percent > progress.lastPercent) {
        progress.lastPercent = percent;
        char text[256];
        snprintf(text, sizeof(text), "正在下载: %d%%", percent);
        PostStatus(text, percent);
    }
    return 0;
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

}  // namespace

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
    if (localPath.size() > kMaxLocalPathLength)
        return {kCannotCreate, ""};
    PartFile part;
    if (!part.Create(folder))
        return {kCannotCreate, ""};
    ScopedFile file(fopen(part.Path().c_str(), "wb"));
    if (!file)
        return {kCannotCreate, ""};
    Sink sink = {file.Get(), DiskBudget(folder, diskReserve_), 0};
    if (sink.budget == 0)
        return {kTransferFailed, ""};

    Progress progress = {showProgress, 0, stopped_};
    CURL* easy = handle.get();
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, WriteToFile);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &sink);
    RequireTrustedServer(easy);
    if (showProgress || stopped_) {
        curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(easy, CURLOPT_PROGRESSFUNCTION, ReportProgress);
        curl_easy_setopt(easy, CURLOPT_PROGRESSDATA, &progress);
    }
    // No limit on the whole time, so that a slow line still gets its update;
    // but a server that stops sending, or a length beyond the disk's room,
    // must not hold the run or fill the disk.
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(sink.budget));

    const CURLcode transfer = curl_easy_perform(easy);
    // Data still buffered is written by the close; a failing close means the
    // file on disk is incomplete, which is a failed transfer too.
    const bool closed = fclose(file.Release()) == 0;
    if (transfer != CURLE_OK || !closed)
        return {kTransferFailed, ""};

    long status = 0;
    if (curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK || status != 200)
        return {kBadResponse, ""};
    if (accept && !accept(part.Path()))
        return {kBadResponse, ""};
    if (!part.MoveTo(localPath))
        return {kCannotCreate, ""};
    return {kOk, localPath};
}
