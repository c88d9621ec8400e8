#include "base/FileCopy.h"

#include "base/ScopedHandles.h"

#include <vector>

namespace {

constexpr DWORD kChunk = 1 << 20;

std::function<void(const std::string& path)>& FlushObserver()
{
    static std::function<void(const std::string& path)> observer;
    return observer;
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
    if (FlushObserver())
        FlushObserver()(path);
    return ERROR_SUCCESS;
}

DWORD FlushFolderToDisk(const std::string& folder)
{
    // Only a folder opened for writing can be flushed.
    ScopedHandle handle(CreateFileA(folder.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.Valid())
        return GetLastError();
    const DWORD error = FlushToDisk(handle.Get(), folder);
    return error == ERROR_INVALID_FUNCTION ? ERROR_SUCCESS : error;
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
