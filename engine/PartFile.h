#pragma once

#include "engine/HttpResponse.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>

// libcurl's easy handle, as curl/curl.h declares it.
typedef void CURL;

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

// What a try came to.
struct TryResult {
    enum Verdict { kDone, kRetry, kStartOver, kFail } verdict;
    int code;            // HttpDownloader's code, should the download end here
    std::string reason;  // for the retry's log line
    long long retryAfterMs = -1;
    bool proxyLogin = false;  // the proxy still asked for a login
};

// The download's file on disk: "<name>.part" and, while it can be resumed,
// "<name>.part.info" beside it. Each try writes the body of one response
// into the part.
class PartFile {
public:
    static constexpr char kPartSuffix[] = ".part";
    static constexpr char kInfoSuffix[] = ".part.info";

    PartFile(CURL* easy, const std::string& url, const std::string& localPath, bool showProgress,
             const std::function<bool()>& stopped)
        : easy_(easy), url_(url), partPath_(localPath + kPartSuffix), infoPath_(localPath + kInfoSuffix),
          showProgress_(showProgress), stopped_(stopped)
    {
    }

    // Takes up a part that an earlier try kept for this file, or removes it.
    // Whether the part still fits the server's file is the server's to say
    // (If-Range), so a part fetched from another address serves as well.
    void PickUp();
    void Discard();
    // Keeps the part for a later try only when it can be resumed.
    void KeepOrDiscard();

    const std::string& Path() const { return partPath_; }
    uint64_t ExpectedLength() const { return info_.length; }
    // What the part holds now.
    uint64_t Size() const;

    // One request for what is missing, taking at most what the disk has
    // beyond the reserve.
    TryResult Try(const std::string& folder, uint64_t reserve, uint64_t maxSize);

    // Whether the last try added bytes that a further try keeps.
    bool Kept() const { return kept_; }

    // libcurl's header, body and progress callbacks; self is the part.
    static size_t OnHeader(char* data, size_t size, size_t count, void* self);
    static size_t OnBody(char* data, size_t size, size_t count, void* self);
    // A non-zero answer ends the transfer (as aborted by the callback).
    static int OnProgress(void* self, double total, double now, double, double);

private:
    static bool Seek(HANDLE file, uint64_t offset);
    // Decides, at the first byte of a body, where it goes: a 206 that goes on
    // from the part is appended, a 200 starts the part over, anything else
    // (an error page) is read and dropped, so that the part survives it.
    void StartBody();
    size_t Write(const char* data, size_t bytes);
    void Report(double total, double now);
    // transfer is the CURLcode of curl_easy_perform.
    TryResult Judge(int transfer, bool closed) const;

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
    HttpResponse response_;
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
void RemoveOtherParts(const std::string& folder, const std::string& name);
