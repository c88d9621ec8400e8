#include "base/SystemLibrary.h"

#include <string>

ScopedLibrary LoadSystemLibrary(const wchar_t* dllName)
{
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return ScopedLibrary();
    // A full path leaves the search order out of it, also on systems where
    // LOAD_LIBRARY_SEARCH_SYSTEM32 is not understood.
    const std::wstring path = std::wstring(folder, length) + L"\\" + dllName;
    return ScopedLibrary(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

HMODULE LoadSystemLibraryForever(const wchar_t* dllName)
{
    return LoadSystemLibrary(dllName).Release();
}
