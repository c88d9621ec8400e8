// curl brings in winsock2.h, which has to come before windows.h, and so
// before the part file's own header.
#include <curl/curl.h>

#include "engine/PartFile.h"

#include "base/PathUtil.h"
#include "base/ScopedHandles.h"
#include "engine/HttpDownloader.h"
#include "engine/RetryPolicy.h"
#include "engine/UpdateLog.h"
#include "engine/UpdateStatus.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

struct ListCleanup {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, ListCleanup>;

// The part's length so far; 0 while there is none.
uint64_t PartSize(const std::string& path)
{
    const long long size = FileSize(path);
    return size < 0 ? 0 : static_cast<uint64_t>(size);
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

void PartFile::PickUp()
{
    std::string text;
    PartInfo kept;
    const uint64_t size = PartSize(partPath_);
    if (ReadWholeFile(infoPath_, text) && kept.Parse(text) && size > 0 && size < kept.length) {
        info_ = kept;
        offset_ = size;
        return;
    }
    Discard();
}

void PartFile::Discard()
{
    DeleteFileA(partPath_.c_str());
    DeleteFileA(infoPath_.c_str());
    info_ = PartInfo{};
    offset_ = 0;
}

void PartFile::KeepOrDiscard()
{
    if (!info_.Resumable() || offset_ == 0)
        Discard();
}

uint64_t PartFile::Size() const
{
    return PartSize(partPath_);
}

TryResult PartFile::Try(const std::string& folder, uint64_t reserve, uint64_t maxSize)
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
    response_ = HttpResponse{};
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

size_t PartFile::OnHeader(char* data, size_t size, size_t count, void* self)
{
    static_cast<PartFile*>(self)->response_.Read(std::string_view(data, size * count));
    return size * count;
}

size_t PartFile::OnBody(char* data, size_t size, size_t count, void* self)
{
    return static_cast<PartFile*>(self)->Write(data, size * count);
}

int PartFile::OnProgress(void* self, double total, double now, double, double)
{
    PartFile& part = *static_cast<PartFile*>(self);
    if (part.stopped_ && part.stopped_())
        return 1;
    part.Report(total, now);
    return 0;
}

bool PartFile::Seek(HANDLE file, uint64_t offset)
{
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(file, position, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

void PartFile::StartBody()
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

size_t PartFile::Write(const char* data, size_t bytes)
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

void PartFile::Report(double total, double now)
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

TryResult PartFile::Judge(int transfer, bool closed) const
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
            return {TryResult::kRetry, HttpDownloader::kTransferFailed,
                    curl_easy_strerror(static_cast<CURLcode>(transfer))};
        return {TryResult::kFail, HttpDownloader::kTransferFailed, ""};
    }
    if (status == 200 || (status == 206 && keep_))
        return {TryResult::kDone, HttpDownloader::kOk, ""};
    return {TryResult::kFail, HttpDownloader::kBadResponse, ""};
}

void RemoveOtherParts(const std::string& folder, const std::string& name)
{
    for (const char* suffix : {PartFile::kPartSuffix, PartFile::kInfoSuffix}) {
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
