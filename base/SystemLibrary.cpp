#include "base/SystemLibrary.h"

#include <string>

ScopedLibrary LoadSystemLibrary(const wchar_t* dllName)
{
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return ScopedLibrary();
    // A full path leaves the search order out of it for the library itself.
    // The libraries it imports are looked for in the system folder only,
    // never in the program's or the current folder; systems without the
    // search-path update do not know those flags and take the altered search
    // path, which starts at the library's own (the system) folder.
    const std::wstring path = std::wstring(folder, length) + L"\\" + dllName;
    HMODULE module =
        LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR);
    if (module == nullptr && GetLastError() == ERROR_INVALID_PARAMETER)
        module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    return ScopedLibrary(module);
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
