#pragma once

#include <windows.h>

namespace SkinUI {

// Owns one Win32 file handle and closes it when it goes out of scope.
class CFileHandle {
public:
    CFileHandle() = default;
    explicit CFileHandle(HANDLE handle);
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;
    ~CFileHandle();

    HANDLE Get() const { return m_handle; }
    bool IsValid() const { return m_handle != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE handle = INVALID_HANDLE_VALUE);

    // Opens an existing file for reading, shared with other readers.
    static HANDLE OpenForRead(const wchar_t* path);

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

} // namespace SkinUI
