#include "engine/UpdateWorker.h"

#include "engine/Md5.h"
#include "engine/Paths.h"
#include "engine/UpdateLog.h"
#include "engine/UpdateStatus.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

// Keeps the busy flag up for the whole installation, whichever way it ends.
class BusyScope {
public:
    explicit BusyScope(std::atomic<bool>& flag) : flag_(flag) { flag_ = true; }
    ~BusyScope() { flag_ = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    std::atomic<bool>& flag_;
};

// The Updater's own executable and skin archive are in use while it runs.
bool IsDeferred(const std::string& path, const std::string& updaterName)
{
    return _stricmp(path.c_str(), updaterName.c_str()) == 0 ||
           _stricmp(path.c_str(), "Skin\\update.zip") == 0;
}

bool MatchesDigest(const std::string& file, const std::string& md5)
{
    return !md5.empty() && _stricmp(FileMd5Hex(file).c_str(), md5.c_str()) == 0;
}

void PostProgress(size_t done, size_t total, bool execMode, int& last)
{
    const int percent = static_cast<int>(done * 100 / total);
    if (percent <= last)
        return;
    if (!execMode) {
        char text[256];
        snprintf(text, sizeof(text), "正在更新: %d%%", percent);
        PostStatus(text, percent);
    }
    last = percent;
}

// Before anything is replaced: every entry stays inside the install folder,
// and every file that will be copied matches its listed digest, so a damaged
// or tampered package installs nothing. Marks the entries that are current.
bool CheckEntries(const std::string& sourceRoot, const std::string& targetRoot,
                  const std::vector<FileEntry>& files, std::vector<bool>& current)
{
    current.assign(files.size(), false);
    for (size_t i = 0; i < files.size(); ++i) {
        const FileEntry& entry = files[i];
        if (!IsContainedRelativePath(entry.path)) {
            UpdateLog::Instance().Write("file: %s is outside the install folder.", entry.path.c_str());
            return false;
        }
        // A missing target, or an entry without a digest, is never current.
        current[i] = MatchesDigest(ToBackslashes(targetRoot + "\\" + entry.path), entry.md5);
        if (current[i] || entry.md5.empty())
            continue;
        if (!MatchesDigest(ToBackslashes(sourceRoot + "\\" + entry.path), entry.md5)) {
            UpdateLog::Instance().Write("file: %s md5 check failed.", entry.path.c_str());
            return false;
        }
    }
    return true;
}

// A read-only file in the way (copied by an older Updater from a package
// whose member was read-only) would fail the copy with access denied.
void ClearReadOnly(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

bool CopyDeferred(const std::string& source, const std::string& name)
{
    const std::string aside = GetUserDataDir() + "\\" + name;
    ClearReadOnly(aside);
    if (!CopyFileA(source.c_str(), aside.c_str(), FALSE)) {
        const DWORD error = GetLastError();
        remove(aside.c_str());
        UpdateLog::Instance().Write("copyfile: %s %s failed, errcode[%d].", source.c_str(), aside.c_str(),
                                    static_cast<int>(error));
        return false;
    }
    UpdateLog::Instance().Write("file: %s will be updated after next open.", name.c_str());
    return true;
}

bool CopyInstalled(const std::string& source, const std::string& target)
{
    ClearReadOnly(target);
    if (!CopyFileA(source.c_str(), target.c_str(), FALSE)) {
        UpdateLog::Instance().Write("copyfile: %s %s failed, errcode[%d].", source.c_str(), target.c_str(),
                                    static_cast<int>(GetLastError()));
        return false;
    }
    UpdateLog::Instance().Write("file: %s updated.", target.c_str());
    return true;
}

}  // namespace

bool UpdateWorker::InstallFiles(const std::string& sourceRoot, const std::string& targetRoot,
                                const std::vector<FileEntry>& files)
{
    BusyScope busyScope(busy);
    std::vector<bool> current;
    if (!CheckEntries(sourceRoot, targetRoot, files, current))
        return false;

    int last = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        const FileEntry& entry = files[i];
        PostProgress(i + 1, files.size(), context_.execMode, last);
        const std::string source = ToBackslashes(sourceRoot + "\\" + entry.path);
        const std::string target = ToBackslashes(targetRoot + "\\" + entry.path);
        MakeParentDirs(target);
        if (current[i])
            continue;
        const bool copied = IsDeferred(entry.path, context_.updaterName) ? CopyDeferred(source, FileNameOf(entry.path))
                                                   : CopyInstalled(source, target);
        if (!copied)
            return false;
    }
    return true;
}
