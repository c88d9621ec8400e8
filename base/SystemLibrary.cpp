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

void RestrictDllSearchToSystem()
{
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    // kernel32 is mapped into every process before any of its code runs.
    if (HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll")) {
        const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
            reinterpret_cast<void (*)()>(GetProcAddress(kernel32, "SetDefaultDllDirectories")));
        if (setDefault != nullptr)
            setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    // Takes the current folder out of the search where the call above is missing.
    SetDllDirectoryW(L"");
}
