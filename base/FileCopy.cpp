#include "base/FileCopy.h"

#include "base/ScopedHandles.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr DWORD kChunk = 1 << 20;
// Flushes that wait at the same time; they wait for the disk, not a core.
constexpr size_t kFlushers = 8;

std::function<void(const std::string& path)>& FlushObserver()
{
    static std::function<void(const std::string& path)> observer;
    return observer;
}

std::mutex& FlushObserverLock()
{
    static std::mutex lock;
    return lock;
}

DWORD FlushClosedFile(const std::string& path)
{
    // Flushing asks for write access; the data is that of every handle.
    ScopedHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.Valid() ? FlushToDisk(file.Get(), path) : GetLastError();
}

// One flusher's share: the next file not yet taken, until none is left or
// another flusher failed.
void FlushSome(const std::vector<std::string>& paths, std::atomic<size_t>& next, std::atomic<DWORD>& error)
{
    while (error.load() == ERROR_SUCCESS) {
        const size_t i = next++;
        if (i >= paths.size())
            return;
        const DWORD result = FlushClosedFile(paths[i]);
        if (result != ERROR_SUCCESS)
            error.store(result);
    }
}

DWORD CopyContents(HANDLE in, HANDLE out, const CopyObserver& observer)
{
    // One buffer per thread: installations copy thousands of small files.
    thread_local std::vector<char> buffer(kChunk);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(in, buffer.data(), kChunk, &read, nullptr))
            return GetLastError();
        if (read == 0)
            return ERROR_SUCCESS;
        if (observer)
            observer(buffer.data(), read);
        DWORD written = 0;
        if (!WriteFile(out, buffer.data(), read, &written, nullptr))
            return GetLastError();
        if (written != read)
            return ERROR_WRITE_FAULT;
    }
}

}  // namespace

DWORD FlushToDisk(HANDLE file, const std::string& path)
{
    if (!FlushFileBuffers(file))
        return GetLastError();
    const std::lock_guard<std::mutex> hold(FlushObserverLock());
    if (FlushObserver())
        FlushObserver()(path);
    return ERROR_SUCCESS;
}

DWORD FlushFilesToDisk(const std::vector<std::string>& paths)
{
    std::atomic<size_t> next{0};
    std::atomic<DWORD> error{ERROR_SUCCESS};
    std::vector<std::thread> flushers;
    // A thread's entry: what it cannot do fails the flush instead of the process.
    const auto flusher = [&] {
        try {
            FlushSome(paths, next, error);
        } catch (const std::exception&) {
            error.store(ERROR_GEN_FAILURE);
        }
    };
    try {
        for (size_t i = 1; i < std::min(kFlushers, paths.size()); ++i)
            flushers.emplace_back(flusher);
    } catch (const std::exception&) {
        // Fewer threads, or this one alone, flush the rest.
    }
    flusher();
    for (std::thread& thread : flushers)
        thread.join();
    return error.load();
}

void SetFlushObserver(std::function<void(const std::string& path)> observer)
{
    FlushObserver() = std::move(observer);
}

DWORD CopyFileBytes(const std::string& source, const std::string& target, const CopyObserver& observer,
                    Durability durability)
{
    ScopedHandle in(CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in.Valid())
        return GetLastError();
    ScopedHandle out(
        CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out.Valid())
        return GetLastError();
    DWORD error = CopyContents(in.Get(), out.Get(), observer);
    if (error == ERROR_SUCCESS && durability == Durability::kFlushed)
        error = FlushToDisk(out.Get(), target);
    if (error == ERROR_SUCCESS && !CloseHandle(out.Release()))
        error = GetLastError();
    if (error != ERROR_SUCCESS) {
        out.Reset();
        DeleteFileA(target.c_str());
    }
    return error;
}
