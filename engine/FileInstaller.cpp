#include "engine/UpdateWorker.h"

#include "engine/InstallTransaction.h"
#include "engine/Md5.h"
#include "engine/Paths.h"
#include "engine/UpdateLog.h"
#include "engine/UpdateStatus.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <set>

namespace {

// The Updater's own executable and skin archive are in use while it runs.
bool IsDeferred(const std::string& path, const std::string& updaterName)
{
    return _stricmp(path.c_str(), updaterName.c_str()) == 0 || _stricmp(path.c_str(), "Skin\\update.zip") == 0;
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

// What the installation knows of an entry's installed copy.
struct TargetState {
    bool exists = false;
    bool current = false;  // already has the listed digest
};

// An installed copy of another size than the new file cannot have its
// digest: only copies of the same size are read.
TargetState ExamineTarget(const std::string& source, const std::string& target, const std::string& md5)
{
    TargetState state;
    const long long size = FileSize(target);
    state.exists = size >= 0 || FileExists(target);
    if (size < 0 || md5.empty())
        return state;
    const long long sourceSize = FileSize(source);
    state.current = (sourceSize < 0 || sourceSize == size) && FileMatchesMd5(target, md5);
    return state;
}

// Before anything is replaced: every entry stays inside the install folder,
// and every file that will be copied matches its listed digest (unless the
// sources were checked when they were staged), so a damaged or tampered
// package installs nothing.
bool CheckEntries(const std::string& sourceRoot, const std::string& targetRoot, const std::vector<FileEntry>& files,
                  bool checkSources, std::vector<TargetState>& targets)
{
    targets.assign(files.size(), TargetState());
    for (size_t i = 0; i < files.size(); ++i) {
        const FileEntry& entry = files[i];
        if (!IsContainedRelativePath(entry.path)) {
            UpdateLog::Instance().Write("file: %s is outside the install folder.", entry.path.c_str());
            return false;
        }
        if (InstallTransaction::IsInBackupFolder(entry.path)) {
            UpdateLog::Instance().Write("file: %s lies in the Updater's backup folder.", entry.path.c_str());
            return false;
        }
        if (InstallTransaction::IsInStagingFolder(entry.path)) {
            UpdateLog::Instance().Write("file: %s lies in the Updater's staging folder.", entry.path.c_str());
            return false;
        }
        // A missing target, or an entry without a digest, is never current.
        const std::string source = ToBackslashes(sourceRoot + "\\" + entry.path);
        targets[i] = ExamineTarget(source, ToBackslashes(targetRoot + "\\" + entry.path), entry.md5);
        const FileDigests digests{entry.md5, entry.sha256};
        if (targets[i].current || digests.Empty() || !checkSources)
            continue;
        const DigestCheck check = CheckFileDigests(source, digests);
        if (check != DigestCheck::kMatch) {
            UpdateLog::Instance().Write("file: %s %s check failed.", entry.path.c_str(), MismatchedDigestName(check));
            return false;
        }
    }
    return true;
}

// The outcome of one file's copy, logged; false for a failure. A copy whose
// bytes lack the listed digest fails as a damaged package does.
bool LogCopied(const FileEntry& entry, const std::string& source, const std::string& target, DWORD error,
               const char* doneFormat, const std::string& done)
{
    if (error == ERROR_CRC || error == kErrorSha256Mismatch) {
        UpdateLog::Instance().Write("file: %s %s check failed.", entry.path.c_str(),
                                    error == ERROR_CRC ? "md5" : "sha256");
        return false;
    }
    if (error != ERROR_SUCCESS) {
        UpdateLog::Instance().Write("copyfile: %s %s failed, errcode[%d].", source.c_str(), target.c_str(),
                                    static_cast<int>(error));
        return false;
    }
    UpdateLog::Instance().Write(doneFormat, done.c_str());
    return true;
}

bool CopyDeferred(const FileEntry& entry, const std::string& source, const FileDigests& digests)
{
    const std::string name = FileNameOf(entry.path);
    const std::string aside = GetUserDataDir() + "\\" + name;
    ClearReadOnly(aside);
    return LogCopied(entry, source, aside, CopyFileCheckingDigests(source, aside, digests, Durability::kFlushed),
                     "file: %s will be updated after next open.", name);
}

// Copies straight over the installed file, without a way back; a staged
// file is renamed over it.
DWORD CopyOver(const std::string& source, const std::string& target, bool staged)
{
    ClearReadOnly(target);
    if (!staged)
        return CopyFileCheckingDigests(source, target, FileDigests{}, Durability::kFlushed);
    return MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) ? ERROR_SUCCESS : GetLastError();
}

void LogJournalFailure(DWORD error)
{
    if (error == ERROR_ALREADY_EXISTS) {
        UpdateLog::Instance().Write("install journal: %s holds an undo that could not be completed; nothing is "
                                    "installed until it is.",
                                    InstallTransaction::JournalPath().c_str());
        return;
    }
    UpdateLog::Instance().Write("install journal: %s cannot be written, errcode[%d].",
                                InstallTransaction::JournalPath().c_str(), static_cast<int>(error));
}

// Plans the installation's steps and writes them to the journal; false,
// logged, when the journal cannot be written (then nothing may be replaced).
bool BeginTransaction(InstallTransaction& transaction, const std::vector<FileEntry>& files,
                      const std::vector<TargetState>& targets, const std::string& updaterName)
{
    for (size_t i = 0; i < files.size(); ++i) {
        transaction.PlanFolders(files[i].path);
        if (!targets[i].current && !IsDeferred(files[i].path, updaterName))
            transaction.PlanFile(files[i].path, targets[i].exists);
    }
    const DWORD error = transaction.Begin();
    if (error != ERROR_SUCCESS)
        LogJournalFailure(error);
    return error == ERROR_SUCCESS;
}

}  // namespace

bool UpdateWorker::InstallFiles(const std::string& sourceRoot, const std::string& targetRoot,
                                const std::vector<FileEntry>& files, Sources sources)
{
    if (beforeInstall_)
        beforeInstall_();
    if (!BeginInstalling()) {
        UpdateLog::Instance().Write("installation not begun: the run is ending.");
        return false;
    }
    struct Installing {
        UpdateWorker& worker;
        ~Installing() { worker.EndInstalling(); }
    } installing{*this};

    std::vector<TargetState> targets;
    if (!CheckEntries(sourceRoot, targetRoot, files, sources == Sources::kCheckDigests, targets))
        return false;

    // The old copies of an earlier installation go before this one keeps its own.
    FinishInstallation();
    auto transaction = std::make_unique<InstallTransaction>(targetRoot);
    if (transactional_ && !BeginTransaction(*transaction, files, targets, context_.updaterName))
        return false;

    const auto rollBack = [&] {
        if (transactional_)
            UpdateLog::Instance().Write("rollback: %d files restored.", transaction->RollBack());
        return false;
    };
    int last = 0;
    std::set<std::string> madeFolders;  // each folder's way made once
    for (size_t i = 0; i < files.size(); ++i) {
        const FileEntry& entry = files[i];
        PostProgress(i + 1, files.size(), context_.execMode, last);
        const std::string source = ToBackslashes(sourceRoot + "\\" + entry.path);
        const std::string target = ToBackslashes(targetRoot + "\\" + entry.path);
        // Judged as Windows resolves the path once the backups exist: a short
        // name of the backup folder passes every check of the text.
        if (transaction->ReachesOutside(entry.path)) {
            UpdateLog::Instance().Write("file: %s lies in the Updater's backup folder.", entry.path.c_str());
            return rollBack();
        }
        if (madeFolders.insert(ParentFolder(target)).second)
            MakeParentDirs(target);
        if (targets[i].current)
            continue;
        // A staged file is swapped in by renames; the deferred copies of a
        // staged tree are checked again as they are copied, at no cost of a
        // read.
        const bool staged = sources == Sources::kVerified;
        bool copied = false;
        if (IsDeferred(entry.path, context_.updaterName)) {
            copied = CopyDeferred(entry, source, staged ? FileDigests{entry.md5, entry.sha256} : FileDigests{});
        } else {
            const DWORD error = !transactional_ ? CopyOver(source, target, staged)
                                : staged        ? transaction->Swap(entry.path, source)
                                                : transaction->Replace(entry.path, source, FileDigests{});
            copied = LogCopied(entry, source, target, error, "file: %s updated.", target);
        }
        if (!copied)
            return rollBack();
    }
    const DWORD committed = transaction->Commit();
    if (committed != ERROR_SUCCESS) {
        LogJournalFailure(committed);
        return rollBack();
    }
    installed_ = std::move(transaction);
    return true;
}
