#include "FileHandle.h"

namespace SkinUI {

CFileHandle::CFileHandle(HANDLE handle) : m_handle(handle == nullptr ? INVALID_HANDLE_VALUE : handle)
{
}

CFileHandle::~CFileHandle()
{
    Reset();
}

void CFileHandle::Reset(HANDLE handle)
{
    if (IsValid()) ::CloseHandle(m_handle);
    m_handle = handle == nullptr ? INVALID_HANDLE_VALUE : handle;
}

HANDLE CFileHandle::OpenForRead(const wchar_t* path)
{
    return ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace SkinUI
