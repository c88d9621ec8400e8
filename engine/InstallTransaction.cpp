#include "engine/InstallTransaction.h"

#include "base/FolderTree.h"
#include "engine/Md5.h"
#include "engine/Paths.h"
#include "engine/UpdateLog.h"

#include <cstring>
#include <set>

namespace {

// The journal is plain text, one record per line: a header, the install
// folder, the plan (a kind letter, a blank, a relative path), then "begin"
// once the plan is complete and "done" once the installation is committed.
constexpr char kHeader[] = "corvane install journal 2";
constexpr char kRootTag[] = "root ";
constexpr char kBegin[] = "begin";
constexpr char kDone[] = "done";

bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// "X:\..." or a share's "\\server\...".
bool IsAbsoluteFolder(const std::string& path)
{
    return (path.size() >= 3 && path[1] == ':' && path[2] == '\\') || path.compare(0, 2, "\\\\") == 0;
}

DWORD WriteAll(HANDLE file, const std::string& text)
{
    DWORD written = 0;
    if (!WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
        return GetLastError();
    return written == text.size() ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

}  // namespace

InstallTransaction::InstallTransaction(std::string targetRoot)
    : targetRoot_(std::move(targetRoot)), backupRoot_(targetRoot_ + "\\" + kBackupFolderName)
{
}

InstallTransaction::InstallTransaction(std::string targetRoot, std::vector<Step> steps)
    : InstallTransaction(std::move(targetRoot))
{
    steps_ = std::move(steps);
}

InstallTransaction::~InstallTransaction()
{
    if (open_)
        RollBack();
    else if (committed_)
        RemoveBackupsAndJournal();
}

bool InstallTransaction::IsInstallable(const std::string& relativePath)
{
    return IsContainedRelativePath(relativePath) && !IsInBackupFolder(relativePath);
}

bool InstallTransaction::IsInBackupFolder(const std::string& relativePath)
{
    const std::string first = relativePath.substr(0, relativePath.find_first_of("\\/"));
    return _stricmp(first.c_str(), kBackupFolderName) == 0;
}

std::string InstallTransaction::JournalPath()
{
    return GetUserDataDir() + "\\install.journal";
}

std::string InstallTransaction::Target(const std::string& relativePath) const
{
    return ToBackslashes(targetRoot_ + "\\" + relativePath);
}

std::string InstallTransaction::Backup(size_t step) const
{
    return backupRoot_ + "\\" + std::to_string(step);
}

void InstallTransaction::PlanFolders(const std::string& relativePath)
{
    // Only the folders that do not exist yet are the installation's to remove.
    const std::string path = ToBackslashes(relativePath);
    for (size_t slash = path.find('\\'); slash != std::string::npos; slash = path.find('\\', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (folder.empty() || !knownFolders_.insert(folder).second || FileExists(Target(folder)))
            continue;
        steps_.push_back(Step{kFolder, folder});
    }
}

void InstallTransaction::PlanFile(const std::string& relativePath, bool exists)
{
    steps_.push_back(Step{exists ? kKeep : kCreate, ToBackslashes(relativePath)});
}

DWORD InstallTransaction::Begin()
{
    for (const Step& step : steps_)
        if (!IsInstallable(step.path))
            return ERROR_INVALID_NAME;
    // Nothing to replace: nothing to journal or to put back.
    if (steps_.empty())
        return ERROR_SUCCESS;
    // Backups left by an earlier run go, even those of a recovery that could
    // not put every file back (its journal, kept for another try, is
    // overwritten below); one that cannot be removed must not be taken for an
    // old copy of this run.
    RemoveDirTree(backupRoot_);
    if (FileExists(backupRoot_))
        return ERROR_DIR_NOT_EMPTY;

    // The journal comes first: whatever a kill leaves after it, the backup
    // folder included, the next run finds named there.
    std::string text = std::string(kHeader) + "\r\n" + kRootTag + targetRoot_ + "\r\n";
    for (const Step& step : steps_)
        text += std::string(1, step.kind) + " " + step.path + "\r\n";
    text += std::string(kBegin) + "\r\n";

    journal_.Reset(CreateFileA(JournalPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD error = journal_.Valid() ? WriteAll(journal_.Get(), text) : GetLastError();
    if (error == ERROR_SUCCESS && !FlushFileBuffers(journal_.Get()))
        error = GetLastError();
    if (error == ERROR_SUCCESS && !CreateDirectoryA(backupRoot_.c_str(), nullptr))
        error = GetLastError();
    if (error != ERROR_SUCCESS) {
        journal_.Reset();
        RemoveBackupsAndJournal();
        return error;
    }
    SetFileAttributesA(backupRoot_.c_str(), FILE_ATTRIBUTE_HIDDEN);
    open_ = true;
    return ERROR_SUCCESS;
}

DWORD InstallTransaction::Replace(const std::string& relativePath, const std::string& source, const std::string& md5)
{
    // Files are replaced in the order they were planned.
    const std::string path = ToBackslashes(relativePath);
    while (nextStep_ < steps_.size() && (steps_[nextStep_].kind == kFolder || steps_[nextStep_].path != path))
        ++nextStep_;
    if (nextStep_ == steps_.size())
        return ERROR_INVALID_PARAMETER;
    const size_t step = nextStep_++;
    const std::string target = Target(path);
    const DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        // A folder in the file's place is not the installation's to move away.
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return ERROR_ACCESS_DENIED;
        // Backups are named by their step, so that they need no folders of their own.
        if (!MoveFileExA(target.c_str(), Backup(step).c_str(), 0))
            return GetLastError();
    }
    return CopyFileCheckingMd5(source, target, md5);
}

void InstallTransaction::Commit()
{
    if (!open_)
        return;
    open_ = false;
    // Once "done" is on disk, a run that finds the journal only cleans up.
    const std::string done = std::string(kDone) + "\r\n";
    if (WriteAll(journal_.Get(), done) != ERROR_SUCCESS || !FlushFileBuffers(journal_.Get())) {
        // Without the mark the backups must stay: a later run restores them.
        journal_.Reset();
        return;
    }
    journal_.Reset();
    committed_ = true;
}

bool InstallTransaction::Undo(int& restored) const
{
    bool complete = true;
    restored = 0;
    for (size_t step = steps_.size(); step-- > 0;) {
        const Step* it = &steps_[step];
        const std::string target = Target(it->path);
        if (it->kind == kFolder) {
            // Fails, as it should, when something else was put there since.
            RemoveDirectoryA(target.c_str());
            continue;
        }
        const bool wasKept = it->kind == kKeep && FileExists(Backup(step));
        if (it->kind == kKeep && !wasKept)
            continue;  // never moved: the old copy is still in its place
        // A link in a backup's place is no old copy: moving it would bring
        // whatever it points at into the install folder.
        if (wasKept && IsLink(Backup(step))) {
            UpdateLog::Instance().Write("rollback: %s could not be restored, errcode[%d].", target.c_str(),
                                        static_cast<int>(kErrorStoppedOnLink));
            complete = false;
            continue;
        }
        if (it->kind == kCreate && (!FileExists(target) || IsFolder(target)))
            continue;
        ClearReadOnly(target);
        const BOOL undone = wasKept ? MoveFileExA(Backup(step).c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)
                                    : DeleteFileA(target.c_str());
        if (!undone) {
            UpdateLog::Instance().Write("rollback: %s could not be restored, errcode[%d].", target.c_str(),
                                        static_cast<int>(GetLastError()));
            complete = false;
            continue;
        }
        ++restored;
    }
    return complete;
}

int InstallTransaction::RollBack()
{
    // Before Begin nothing was replaced, and a file planned as new that
    // exists now is not the installation's.
    if (!open_)
        return 0;
    open_ = false;
    journal_.Reset();
    int restored = 0;
    if (Undo(restored))
        RemoveBackupsAndJournal();
    return restored;
}

void InstallTransaction::RemoveBackupsAndJournal()
{
    RemoveDirTree(backupRoot_);
    DeleteFileA(JournalPath().c_str());
}

bool InstallTransaction::Recover()
{
    const std::string path = JournalPath();
    std::string text;
    if (!ReadWholeFile(path, text))
        return false;

    UpdateLog& log = UpdateLog::Instance();
    std::string root;
    std::vector<Step> steps;
    bool begun = false;
    bool done = false;
    bool readable = text.compare(0, strlen(kHeader), kHeader) == 0;
    size_t start = 0;
    for (size_t line = 0; readable && start < text.size(); ++line) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos)
            break;  // a record cut short by the kill was never acted on
        const std::string record = text.substr(start, end - start);
        start = end + 2;
        if (line == 0)
            continue;
        if (line == 1) {
            readable = record.compare(0, strlen(kRootTag), kRootTag) == 0;
            root = record.substr(strlen(kRootTag));
            readable = readable && IsAbsoluteFolder(root);
        } else if (record == kBegin) {
            begun = true;
        } else if (record == kDone) {
            done = begun;
        } else {
            const char kind = record.empty() ? '\0' : record[0];
            readable = !begun && record.size() > 2 && record[1] == ' ' &&
                       (kind == kFolder || kind == kKeep || kind == kCreate) && IsInstallable(record.substr(2));
            steps.push_back(Step{kind, record.substr(2)});
        }
    }
    if (!readable || root.empty()) {
        DeleteFileA(path.c_str());
        log.Write("recovery: install journal %s is unreadable; removed.", path.c_str());
        return true;
    }

    InstallTransaction transaction(root, begun && !done ? std::move(steps) : std::vector<Step>());
    if (done) {
        transaction.RemoveBackupsAndJournal();
        log.Write("recovery: the clean-up of a completed installation in %s was finished.", root.c_str());
        return true;
    }
    transaction.open_ = true;
    const int restored = transaction.RollBack();
    log.Write("recovery: %d files restored in %s after an interrupted installation.", restored, root.c_str());
    return true;
}
