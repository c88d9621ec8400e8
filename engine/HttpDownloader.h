#pragma once

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

// Fetches one URL over HTTP into a file of the folder named after the URL's
// last component, posting progress to the update window when asked.
class HttpDownloader {
public:
    enum : int {
        kOk = 0,
        kNoHandle = -1,       // the easy handle cannot be created
        kNoFileName = -2,     // no usable file name after the URL's last '/'
        kCannotCreate = -3,   // the local file cannot be created (or its path is too long)
        kTransferFailed = -4, // the transfer itself failed
        kBadResponse = -5,    // no response code, or it is not 200
    };

    DownloadResult Download(const std::string& url, const std::string& folder, bool showProgress);
};
