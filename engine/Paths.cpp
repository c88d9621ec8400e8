#include "engine/Paths.h"

#include "base/ScopedHandles.h"

#include <direct.h>
#include <io.h>
#include <windows.h>

namespace {

void CreateIfMissing(const std::string& folder)
{
    if (_access(folder.c_str(), 0) != 0)
        _mkdir(folder.c_str());
}

}  // namespace

std::string GetModuleDir()
{
    char buffer[512] = {};
    GetModuleFileNameA(nullptr, buffer, sizeof(buffer) - 1);
    return ParentFolder(buffer);
}

std::string GetUserDataDir()
{
    // A value longer than the usual buffer is read in full rather than cut,
    // since a cut profile path would put the Updater's files somewhere else.
    std::string appData(256, '\0');
    DWORD length = GetEnvironmentVariableA("APPDATA", &appData[0], static_cast<DWORD>(appData.size()));
    if (length >= appData.size()) {
        appData.assign(length, '\0');
        length = GetEnvironmentVariableA("APPDATA", &appData[0], length);
        if (length >= appData.size())
            length = 0;
    }
    appData.resize(length);

    std::string folder = appData + "\\Marlex";
    CreateIfMissing(folder);
    folder += "\\MarlexUpdate";
    CreateIfMissing(folder);
    return folder;
}

std::string GetUpdateDir()
{
    const std::string folder = GetUserDataDir() + "\\update";
    CreateIfMissing(folder);
    return folder;
}

std::string GetLogPath()
{
    return GetUserDataDir() + "\\update.log";
}

std::string GetSettingsPath()
{
    return GetUserDataDir() + "\\tavrin.ini";
}

std::string FormatLogTime()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char buffer[32];
    snprintf(buffer, sizeof(buffer), "%04d-%02d-%02d %02d:%02d:%02d", now.wYear, now.wMonth, now.wDay, now.wHour,
             now.wMinute, now.wSecond);
    return buffer;
}

void RemoveDirTree(const std::string& folder)
{
    WIN32_FIND_DATAA entry;
    {
        ScopedFind find(FindFirstFileA((folder + "\\*.*").c_str(), &entry));
        if (!find.Valid())
            return;
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string path = folder + "\\" + name;
            const DWORD attributes = entry.dwFileAttributes;
            if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
                // A linked folder is removed as a link: its target lies outside
                // the tree and must not be emptied.
                if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
                    RemoveDirectoryA(path.c_str());
                else
                    RemoveDirTree(path);
                continue;
            }
            if (attributes & FILE_ATTRIBUTE_READONLY)
                ClearReadOnly(path);
            DeleteFileA(path.c_str());
        } while (FindNextFileA(find.Get(), &entry));
    }
    RemoveDirectoryA(folder.c_str());
}
