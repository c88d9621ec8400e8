// Stand-in for the product's main program in the process tests. Every start
// appends "pid=<id> argc=<n> cwd=<folder>" to "<own path>.starts". Started
// under the name taskkill.exe, as a tool planted where a search would find
// it, it records its arguments in "%APPDATA%\taskkill.args" (the test's own
// folder) and ends at once. Otherwise it waits to be ended and exits by
// itself with code 3 after a minute.
#include "base/ScopedHandles.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void AppendLine(const std::string& path, const std::string& line)
{
    ScopedFile file(fopen(path.c_str(), "ab"));
    if (!file)
        return;
    fputs(line.c_str(), file.Get());
    fputs("\n", file.Get());
}

std::string ArgumentsAfterProgram()
{
    const char* line = GetCommandLineA();
    bool quoted = false;
    for (; *line && (quoted || (*line != ' ' && *line != '\t')); ++line)
        if (*line == '"')
            quoted = !quoted;
    while (*line == ' ' || *line == '\t')
        ++line;
    return line;
}

}  // namespace

int main(int argc, char**)
{
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH - 1);
    char cwd[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH - 1, cwd);
    AppendLine(std::string(self) + ".starts", "pid=" + std::to_string(GetCurrentProcessId()) +
                                                  " argc=" + std::to_string(argc) + " cwd=" + cwd);

    const char* name = strrchr(self, '\\');
    name = name ? name + 1 : self;
    if (_strnicmp(name, "taskkill", 8) == 0) {
        const char* appData = getenv("APPDATA");
        if (appData)
            AppendLine(std::string(appData) + "\\taskkill.args", ArgumentsAfterProgram());
        return 0;
    }
    Sleep(60 * 1000);
    return 3;
}
