#include "engine/Paths.h"

#include "base/FolderTree.h"
#include "engine/UpdateLog.h"

#include <windows.h>

#include <cstdio>

namespace {

void CreateIfMissing(const std::string& folder)
{
    if (!FileExists(folder))
        CreateDirectoryA(folder.c_str(), nullptr);
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

bool RemoveDirTree(const std::string& folder)
{
    const TreeRemoval removal = RemoveFolderTree(folder);
    UpdateLog& log = UpdateLog::Instance();
    if (removal.status == TreeRemoval::kRootIsLink)
        log.Write("folder: %s is a link, not removed; what it points at is left alone.", folder.c_str());
    else if (removal.status == TreeRemoval::kLinkLeft)
        log.Write("folder: link %s left in place, not followed.", removal.link.c_str());
    else if (!removal.link.empty())
        log.Write("folder: link %s removed, not followed.", removal.link.c_str());
    return removal.status == TreeRemoval::kRemoved;
}
