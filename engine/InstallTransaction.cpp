#include "engine/InstallTransaction.h"

#include "base/FileCopy.h"
#include "base/FolderTree.h"
#include "engine/Md5.h"
#include "engine/Paths.h"
#include "engine/UpdateLog.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <exception>
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

// "X:\...": a journal's root is looked at on the disk only in this form, so
// that no journal can make the Updater reach out to a share.
bool IsDrivePath(const std::string& path)
{
    return path.size() >= 3 && isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' && path[2] == '\\';
}

// The folder a journal names is this install folder: spelt alike, or the
// same folder on the disk however it is spelt (short names, case, links).
bool IsSameFolder(const std::string& root, const std::string& installDir)
{
    return _stricmp(root.c_str(), installDir.c_str()) == 0 || (IsDrivePath(root) && IsSameFile(root, installDir));
}

// The part before the first separator, '/' or '\\'.
std::string FirstComponent(const std::string& relativePath)
{
    return relativePath.substr(0, std::min(FindSeparator(relativePath), relativePath.find('/')));
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
    : targetRoot_(std::move(targetRoot)), backupRoot_(targetRoot_ + "\\" + kBackupFolderName),
      stagingRoot_(targetRoot_ + "\\" + kStagingFolderName)
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
    return IsContainedRelativePath(relativePath) && !IsInBackupFolder(relativePath) && !IsInStagingFolder(relativePath);
}

bool InstallTransaction::IsInBackupFolder(const std::string& relativePath)
{
    return _stricmp(FirstComponent(relativePath).c_str(), kBackupFolderName) == 0;
}

bool InstallTransaction::IsInStagingFolder(const std::string& relativePath)
{
    return _stricmp(FirstComponent(relativePath).c_str(), kStagingFolderName) == 0;
}

std::string InstallTransaction::JournalPath()
{
    return GetUserDataDir() + "\\install.journal";
}

std::string InstallTransaction::SetAsideJournalPath()
{
    return JournalPath() + ".bad";
}

bool InstallTransaction::ReachesOutside(const std::string& relativePath)
{
    // Every file of one folder shares the answer, and a folder's canonical
    // form costs a walk of its path: one per folder.
    const std::string folder = ParentFolder(Target(relativePath));
    const auto known = outsideFolders_.find(folder);
    if (known != outsideFolders_.end())
        return known->second;
    // The roots' canonical forms once: each costs a walk of its path too.
    if (canonicalRoots_[0].empty())
        for (int i = 0; i < 3; ++i)
            canonicalRoots_[i] = CanonicalLongPath(i == 0 ? targetRoot_ : i == 1 ? backupRoot_ : stagingRoot_);
    const std::wstring canonical = CanonicalLongPath(folder);
    const bool outside = !LiesWithin(canonical, canonicalRoots_[0]) || LiesWithin(canonical, canonicalRoots_[1]) ||
                         LiesWithin(canonical, canonicalRoots_[2]);
    outsideFolders_.emplace(folder, outside);
    return outside;
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
    for (size_t slash = FindSeparator(path); slash != std::string::npos; slash = FindSeparator(path, slash + 1)) {
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
    // A journal still there is one whose undo could not be completed: its
    // backups are the only old copies of what it could not put back.
    if (FileExists(JournalPath()))
        return ERROR_ALREADY_EXISTS;
    // Backups left by an earlier run belong to no journal any more; one that
    // cannot be removed must not be taken for an old copy of this run.
    RemoveDirTree(backupRoot_);
    if (FileExists(backupRoot_))
        return ERROR_DIR_NOT_EMPTY;

    // The journal comes first: whatever a kill leaves after it, the backup
    // folder included, the next run finds named there.
    std::string text = std::string(kHeader) + "\r\n" + kRootTag + targetRoot_ + "\r\n";
    for (const Step& step : steps_)
        text += std::string(1, step.kind) + " " + step.path + "\r\n";
    text += std::string(kBegin) + "\r\n";

    journal_.Reset(
        CreateFileA(JournalPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD error = journal_.Valid() ? WriteAll(journal_.Get(), text) : GetLastError();
    if (error == ERROR_SUCCESS)
        error = FlushToDisk(journal_.Get(), JournalPath());
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

DWORD InstallTransaction::MoveOldCopyAside(const std::string& relativePath, std::string& target)
{
    // Files are replaced in the order they were planned.
    const std::string path = ToBackslashes(relativePath);
    while (nextStep_ < steps_.size() && (steps_[nextStep_].kind == kFolder || steps_[nextStep_].path != path))
        ++nextStep_;
    if (nextStep_ == steps_.size())
        return ERROR_INVALID_PARAMETER;
    const size_t step = nextStep_++;
    target = Target(path);
    const DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        // A folder in the file's place is not the installation's to move away.
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return ERROR_ACCESS_DENIED;
        // Backups are named by their step, so that they need no folders of their own.
        if (!MoveFileExA(target.c_str(), Backup(step).c_str(), 0))
            return GetLastError();
    }
    return ERROR_SUCCESS;
}

DWORD InstallTransaction::Replace(const std::string& relativePath, const std::string& source,
                                  const FileDigests& digests)
{
    std::string target;
    const DWORD error = MoveOldCopyAside(relativePath, target);
    // On the disk before "done" can be.
    return error == ERROR_SUCCESS ? CopyFileCheckingDigests(source, target, digests, Durability::kFlushed) : error;
}

DWORD InstallTransaction::Swap(const std::string& relativePath, const std::string& staged)
{
    // One walk of the links per folder of the staged tree.
    const std::string from = ParentFolder(staged);
    auto known = stagedFolders_.find(from);
    if (known == stagedFolders_.end()) {
        const bool through = from.compare(0, stagingRoot_.size() + 1, stagingRoot_ + "\\") != 0 ||
                             IsLink(stagingRoot_) || LeadsThroughLink(stagingRoot_, from);
        known = stagedFolders_.emplace(from, through).first;
    }
    if (known->second)
        return kErrorStoppedOnLink;
    std::string target;
    DWORD error = MoveOldCopyAside(relativePath, target);
    if (error != ERROR_SUCCESS)
        return error;
    // Without MOVEFILE_COPY_ALLOWED: a rename, never a copy that could be cut.
    if (MoveFileExA(staged.c_str(), target.c_str(), 0)) {
        swappedFolders_.insert(ParentFolder(target));
        return ERROR_SUCCESS;
    }
    error = GetLastError();
    // A folder of the install folder mounted from another volume.
    return error == ERROR_NOT_SAME_DEVICE ? CopyFileCheckingDigests(staged, target, FileDigests{}, Durability::kFlushed) : error;
}

DWORD InstallTransaction::Commit()
{
    if (!open_)
        return ERROR_SUCCESS;
    // The renames are on the disk before "done" is: the folders they wrote
    // into (the backups' among them) are flushed.
    DWORD error = ERROR_SUCCESS;
    if (!swappedFolders_.empty())
        swappedFolders_.insert(backupRoot_);
    for (auto folder = swappedFolders_.begin(); error == ERROR_SUCCESS && folder != swappedFolders_.end(); ++folder)
        error = FlushFolderToDisk(*folder);
    // Once "done" is on disk, a run that finds the journal only cleans up.
    const std::string done = std::string(kDone) + "\r\n";
    if (error == ERROR_SUCCESS)
        error = WriteAll(journal_.Get(), done);
    if (error == ERROR_SUCCESS)
        error = FlushToDisk(journal_.Get(), JournalPath());
    // Without the mark on the disk a later run would take the installation
    // for one cut short: it stays open for the caller's rollback.
    if (error != ERROR_SUCCESS)
        return error;
    open_ = false;
    journal_.Reset();
    committed_ = true;
    return ERROR_SUCCESS;
}

bool InstallTransaction::Undo(int& restored)
{
    bool complete = true;
    restored = 0;
    for (size_t step = steps_.size(); step-- > 0;) {
        const Step* it = &steps_[step];
        const std::string target = Target(it->path);
        if (ReachesOutside(it->path))
            continue;  // never made or moved by this installation
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

bool InstallTransaction::ParseJournal(const std::string& text, std::string& root, std::vector<Step>& steps, bool& begun,
                                      bool& done)
{
    begun = false;
    done = false;
    size_t start = 0;
    for (size_t line = 0;; ++line) {
        const size_t end = text.find("\r\n", start);
        if (end == std::string::npos)
            break;  // a record cut short by the kill was never acted on
        const std::string record = text.substr(start, end - start);
        start = end + 2;
        if (line == 0) {
            if (record != kHeader)
                return false;
        } else if (line == 1) {
            if (record.compare(0, strlen(kRootTag), kRootTag) != 0)
                return false;
            root = record.substr(strlen(kRootTag));
            if (root.empty() || (!IsDrivePath(root) && root.compare(0, 2, "\\\\") != 0))
                return false;
        } else if (done) {
            return false;  // nothing follows the mark
        } else if (record == kDone) {
            if (!begun)
                return false;
            done = true;
        } else if (begun) {
            return false;  // the plan is complete once begun
        } else if (record == kBegin) {
            begun = true;
        } else {
            const char kind = record.empty() ? '\0' : record[0];
            if (record.size() <= 2 || record[1] != ' ' || (kind != kFolder && kind != kKeep && kind != kCreate) ||
                !IsInstallable(record.substr(2)))
                return false;
            steps.push_back(Step{kind, record.substr(2)});
        }
    }
    // A journal cut before its root names no folder to act on.
    return !root.empty();
}

bool InstallTransaction::IsReadableJournal(const std::string& text)
{
    std::string root;
    std::vector<Step> steps;
    bool begun = false;
    bool done = false;
    return ParseJournal(text, root, steps, begun, done);
}

void InstallTransaction::SetJournalAside(const std::string& reason)
{
    const std::string path = JournalPath();
    const std::string aside = SetAsideJournalPath();
    UpdateLog& log = UpdateLog::Instance();
    if (MoveFileExA(path.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        log.Write("recovery: install journal %s %s; set aside as %s.", path.c_str(), reason.c_str(), aside.c_str());
        return;
    }
    // A journal left in place would keep every later installation from beginning.
    const int error = static_cast<int>(GetLastError());
    DeleteFileA(path.c_str());
    log.Write("recovery: install journal %s %s; removed, since it could not be set aside, errcode[%d].", path.c_str(),
              reason.c_str(), error);
}

bool InstallTransaction::Recover(const std::string& installDir)
{
    const std::string path = JournalPath();
    UpdateLog& log = UpdateLog::Instance();
    std::string root;
    std::vector<Step> steps;
    bool begun = false;
    bool done = false;
    try {
        std::string text;
        if (!ReadWholeFile(path, text))
            return false;
        if (!ParseJournal(text, root, steps, begun, done)) {
            SetJournalAside("is unreadable");
            return true;
        }
    } catch (const std::exception& error) {
        // A journal too large to hold is no journal of this Updater.
        SetJournalAside(std::string("is unreadable (") + error.what() + ")");
        return true;
    }
    // Only the install folder's own journal is acted on; the folder it names
    // is never touched otherwise.
    if (!IsSameFolder(root, installDir)) {
        SetJournalAside("names another folder, " + root + ", where nothing was touched");
        return true;
    }

    InstallTransaction transaction(installDir, begun && !done ? std::move(steps) : std::vector<Step>());
    for (const Step& step : transaction.steps_) {
        if (transaction.ReachesOutside(step.path)) {
            SetJournalAside("names " + step.path + ", which lies outside the install folder or in its backups");
            return true;
        }
    }
    if (done) {
        transaction.RemoveBackupsAndJournal();
        log.Write("recovery: the clean-up of a completed installation in %s was finished.", installDir.c_str());
        return true;
    }
    int restored = 0;
    if (!transaction.Undo(restored)) {
        // Reported at every run until the undo completes: the journal and the
        // backups stay, and no installation begins meanwhile.
        log.Write("recovery: the undo of an installation in %s is incomplete, %d files restored; the journal and "
                  "the backups are kept for the next run.",
                  installDir.c_str(), restored);
        return true;
    }
    transaction.RemoveBackupsAndJournal();
    log.Write("recovery: %d files restored in %s after an interrupted installation.", restored, installDir.c_str());
    return true;
}
