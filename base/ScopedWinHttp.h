#pragma once

#include "base/UniqueResource.h"

#include <windows.h>

#include <winhttp.h>

// Owners of WinHTTP's handles and of the strings it hands out.

struct WinHttpHandleTraits {
    using Type = HINTERNET;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { WinHttpCloseHandle(h); }
};
using ScopedWinHttp = UniqueResource<WinHttpHandleTraits>;

// A string that WinHTTP allocated with GlobalAlloc for its caller.
struct GlobalStringTraits {
    using Type = LPWSTR;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type s) { return s != nullptr; }
    static void Close(Type s) { GlobalFree(s); }
};
using ScopedGlobalString = UniqueResource<GlobalStringTraits>;
