// A stand-in for the product's main program. It writes a line to
// "started.log" beside itself (so a run can tell that it was started again)
// and then waits until it is ended or half an hour has passed.
#include "base/PathUtil.h"
#include "base/ScopedHandles.h"

#include <windows.h>

#include <cstdio>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string log = ParentFolder(path) + "\\started.log";
    if (ScopedFile f{std::fopen(log.c_str(), "ab")})
        std::fprintf(f.Get(), "started pid %lu\r\n", GetCurrentProcessId());
    Sleep(30 * 60 * 1000);
    return 0;
}
