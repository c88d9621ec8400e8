#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Sees each piece of the bytes as it is copied.
using CopyObserver = std::function<void(const void* data, size_t size)>;

// Copies a file's bytes into a new file of the target's name, replacing a
// file there. Unlike CopyFile, the copy is a file made by this process, so
// it takes the permissions its folder hands down, and it costs one create
// and one read of the source, no more. A failed copy leaves no partial
// target. ERROR_SUCCESS or the error code of the step that failed.
[[nodiscard]] DWORD CopyFileBytes(const std::string& source, const std::string& target,
                                  const CopyObserver& observer = nullptr);
