#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Sees each piece of the bytes as it is copied.
using CopyObserver = std::function<void(const void* data, size_t size)>;

// Whether a copy is on the disk when it is reported done, or may still be
// in the system's cache (and lost, or zeros, after a power cut).
enum class Durability { kCached, kFlushed };

// Copies a file's bytes into a new file of the target's name, replacing a
// file there. Unlike CopyFile, the copy is a file made by this process, so
// it takes the permissions its folder hands down, and it costs one create
// and one read of the source, no more. A failed copy leaves no partial
// target. ERROR_SUCCESS or the error code of the step that failed.
[[nodiscard]] DWORD CopyFileBytes(const std::string& source, const std::string& target,
                                  const CopyObserver& observer = nullptr, Durability durability = Durability::kCached);

// Puts what the system holds of an open file's data on the disk
// (FlushFileBuffers); ERROR_SUCCESS or its error code. path names the file
// for the observer below.
[[nodiscard]] DWORD FlushToDisk(HANDLE file, const std::string& path);

// Puts a folder's entries on the disk, so that renames into and out of it
// outlive a power cut; ERROR_SUCCESS or the error code. A file system that
// cannot flush a folder (ERROR_INVALID_FUNCTION) commits its renames itself.
[[nodiscard]] DWORD FlushFolderToDisk(const std::string& folder);

// Test seam: sees the path of every file that FlushToDisk put on the disk,
// right after its flush, in the order of the flushes. Set before the work
// it watches starts; an empty function ends the watch.
void SetFlushObserver(std::function<void(const std::string& path)> observer);
