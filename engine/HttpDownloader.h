#pragma once

#include "engine/RetryPolicy.h"

#include <cstdint>
#include <functional>
#include <string>

// Outcome of a download: 0 and the local file's path, or a negative code and
// an empty path.
struct DownloadResult {
    int code = 0;
    std::string path;
};

// Longest package URL the check flow may form ("%s/%s" of base and name).
constexpr size_t kMaxPackageUrlLength = 511;

// Forms "<uri>/<package>"; false (and url left empty) when the result would be
// longer than kMaxPackageUrlLength, so that a cut URL is never fetched.
bool MakePackageUrl(const std::string& uri, const std::string& package, std::string& url);

// Fetches one URL over HTTP(S) into a file of the folder named after the
// URL's last component, posting progress to the update window when asked.
// The bytes go to "<name>.part" beside it, which replaces the file of that
// name only after a whole, accepted transfer, so that a failed download
// never touches an earlier file of the name. When the server names its
// file's version (a strong ETag or a Last-Modified date) and length, a
// failed transfer keeps the part and "<name>.part.info" with that version,
// and the next try, in this run or a later one, asks only for the rest
// (Range with If-Range). Parts of other names in the folder are removed.
class HttpDownloader {
public:
    enum : int {
        kOk = 0,
        kNoHandle = -1,        // the easy handle cannot be created
        kNoFileName = -2,      // no usable file name after the URL's last '/'
        kCannotCreate = -3,    // the local file cannot be created (or its path is too long)
        kTransferFailed = -4,  // the transfer failed, stalled or would fill the disk
        kBadResponse = -5,     // no response code, it is not 200, or the content check refused the body
    };

    // Free disk space a download leaves: a transfer announced larger than
    // what lies beyond it is refused, one that reaches it is stopped.
    static constexpr uint64_t kDiskReserve = 512ull << 20;
    // A transfer slower than a byte a second for this long has stalled.
    static constexpr long kStallSeconds = 60;

    // Looks at the downloaded file (the part) before it is moved into place:
    // false refuses it, and the file of the name stays as it was.
    using ContentCheck = std::function<bool(const std::string& path)>;

    explicit HttpDownloader(uint64_t diskReserve = kDiskReserve, RetryPolicy retry = {})
        : diskReserve_(diskReserve), retry_(std::move(retry))
    {
    }

    // Asked about once a second during a transfer and between its tries:
    // true stops it, and the download fails as a failed transfer does.
    void StopWhen(std::function<bool()> stopped) { stopped_ = std::move(stopped); }

    // The file's length as its publisher gave it: a transfer that would make
    // it longer is stopped, and the download fails as a failed transfer does.
    void LimitSize(uint64_t bytes) { maxSize_ = bytes; }

    DownloadResult Download(const std::string& url, const std::string& folder, bool showProgress,
                            const ContentCheck& accept = nullptr);

private:
    bool Stopped() const;
    // False when the run stopped the download during the wait.
    bool WaitBeforeRetry(uint32_t delay) const;

    uint64_t diskReserve_;
    RetryPolicy retry_;
    std::function<bool()> stopped_;
    uint64_t maxSize_ = UINT64_MAX;
};
