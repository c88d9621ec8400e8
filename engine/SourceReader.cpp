#include "engine/SourceReader.h"

#include "base/ScopedHandles.h"
#include "engine/Md5.h"

#include <boost/thread/lock_guard.hpp>

#include <cstring>

SourceReader::SourceReader(std::vector<Source> sources)
    : sources_(std::move(sources)), thread_([this] { ReadAll(); })
{
}

SourceReader::~SourceReader()
{
    {
        boost::lock_guard<boost::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

SourceReader::File SourceReader::Read(const Source& source)
{
    File file;
    ScopedHandle handle(CreateFileA(source.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size = {};
    if (!handle.Valid() || !GetFileSizeEx(handle.Get(), &size)) {
        file.error = GetLastError();
        return file;
    }
    if (size.QuadPart > static_cast<LONGLONG>(kLargest))
        return file;
    file.bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!file.bytes.empty() &&
        !ReadFile(handle.Get(), file.bytes.data(), static_cast<DWORD>(file.bytes.size()), &read, nullptr)) {
        file.error = GetLastError();
        return file;
    }
    // A file cut short while it was read.
    if (read != file.bytes.size()) {
        file.error = ERROR_READ_FAULT;
        return file;
    }
    file.loaded = true;
    // An empty file has no digest, as for FileMd5Hex.
    if (!source.md5.empty() &&
        (file.bytes.empty() || _stricmp(Md5Hex(file.bytes.data(), file.bytes.size()).c_str(), source.md5.c_str()) != 0))
        file.error = ERROR_CRC;
    return file;
}

void SourceReader::ReadAll()
{
    for (const Source& source : sources_) {
        File file = Read(source);
        const size_t size = file.bytes.size();
        boost::unique_lock<boost::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return stopping_ || ready_.empty() || held_ + size <= kBudget; });
        if (stopping_)
            return;
        held_ += size;
        ready_.push_back(std::move(file));
        changed_.notify_all();
    }
}

SourceReader::File SourceReader::Next()
{
    if (taken_ == sources_.size())
        return File{ERROR_NO_MORE_FILES, false, {}};
    ++taken_;
    boost::unique_lock<boost::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return !ready_.empty(); });
    File file = std::move(ready_.front());
    ready_.pop_front();
    held_ -= file.bytes.size();
    changed_.notify_all();
    return file;
}
