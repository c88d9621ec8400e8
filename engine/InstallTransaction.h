#pragma once

#include "base/ScopedHandles.h"
#include "engine/Md5.h"

#include <windows.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

// Makes one installation into the install folder all-or-nothing. Before the
// first file is replaced, the whole plan (the folders that will be made, the
// files that will be replaced and those that will be new) goes to a journal
// in the user-data folder and is flushed to disk. Every new file is flushed
// to disk before the journal is marked done, so that a power cut never
// leaves a journal that says done beside new files that are not on the disk:
// a copied file is flushed as it is copied; a staged file, flushed when it
// was staged, is swapped in by renames, and the folders they changed are
// flushed before the mark. A replaced file is first
// renamed into a hidden backup folder inside the install folder, under the
// number of its step in the plan, which is cheap on one volume and leaves the
// old copy whole. A failed installation is
// rolled back from there; a killed one is rolled back by the next run
// (Recover), since the journal and the backups outlive the process. A
// committed one removes both when it goes out of scope, so that the owner can
// start the product again first.
class InstallTransaction {
public:
    // The backup folder inside the install folder; nothing is installed
    // below it.
    static constexpr char kBackupFolderName[] = ".corvane-backup";
    // The staging folder beside it (see StagedUpdate); nothing is installed
    // below it either.
    static constexpr char kStagingFolderName[] = ".corvane-staged";

    explicit InstallTransaction(std::string targetRoot);
    // A begun transaction that was neither committed nor rolled back is
    // rolled back; a committed one removes its backups and the journal.
    ~InstallTransaction();
    InstallTransaction(const InstallTransaction&) = delete;
    InstallTransaction& operator=(const InstallTransaction&) = delete;

    // Planning, before Begin: the missing folders on the way to a file, and a
    // file that will be replaced (or made, when it does not exist yet).
    void PlanFolders(const std::string& relativePath);
    void PlanFile(const std::string& relativePath, bool exists);

    // Writes the plan and flushes it to disk; ERROR_SUCCESS, or the error code
    // that kept the journal from being written (then nothing may be replaced).
    // ERROR_ALREADY_EXISTS while a journal is there: an undo that could not
    // be completed still needs its backups.
    [[nodiscard]] DWORD Begin();

    // True when the file of the relative path, as Windows resolves it (short
    // names included), would lie in the backup folder or outside the install
    // folder; nothing may be written there.
    bool ReachesOutside(const std::string& relativePath);

    // Puts the source in the place of the next planned file of that path,
    // keeping the old copy, and flushes the new copy to disk; ERROR_SUCCESS,
    // or the error code of the step that failed. With digests, the bytes
    // copied must have them (ERROR_CRC, kErrorSha256Mismatch).
    [[nodiscard]] DWORD Replace(const std::string& relativePath, const std::string& source, const FileDigests& digests);

    // Puts a staged file, already on the disk, in the place of the next
    // planned file of that path by two renames: the old copy into the
    // backups, the staged copy into place. ERROR_SUCCESS, or the error code
    // of the rename that failed. A staged file on another volume is copied
    // and flushed instead. Only a file below the staging folder is taken, and
    // none reached through a link (kErrorStoppedOnLink): a rename through a
    // planted link would take another folder's file away.
    [[nodiscard]] DWORD Swap(const std::string& relativePath, const std::string& staged);

    // Keeps the new files: puts the folders that swaps changed on the disk,
    // then marks the journal done and flushes it. The backups
    // and the journal stay until the object goes; a run killed before then
    // finds the mark, and its next run only cleans up. ERROR_SUCCESS, or the
    // error code that kept the mark from the disk: then nothing is kept, and
    // the caller rolls back.
    [[nodiscard]] DWORD Commit();

    // Puts every replaced file back and removes what was made; the number of
    // files restored. The journal stays when something could not be put back,
    // so that the next run tries again.
    int RollBack();

    // True for a relative path the journal can carry: inside the install
    // folder (see IsContainedRelativePath) and outside the backups and the
    // staging folder.
    static bool IsInstallable(const std::string& relativePath);
    // True when the path's first component is the backup folder.
    static bool IsInBackupFolder(const std::string& relativePath);
    // True when the path's first component is the staging folder.
    static bool IsInStagingFolder(const std::string& relativePath);

    // Where the journal lives: in the user-data folder.
    static std::string JournalPath();

    // Where a journal that cannot be acted on is set aside, untouched.
    static std::string SetAsideJournalPath();

    // For the start of a run that holds the single-instance mutex: puts the
    // install folder of an installation that was cut short back to what it
    // was, or finishes the clean-up of one that was committed. Only a journal
    // of this install folder is acted on; one of another folder, or one that
    // cannot be read as a whole, is set aside and nothing is touched. Every
    // record is checked before it is used. Logs what it did in one line;
    // false when there was no journal.
    [[nodiscard]] static bool Recover(const std::string& installDir);

    // Recover's reading of a journal's text, without acting on it: true when
    // it can be read as a whole (see ParseJournal). Never throws but for
    // want of memory.
    static bool IsReadableJournal(const std::string& text);

private:
    struct Step {
        char kind;  // kFolder, kKeep or kCreate
        std::string path;
    };
    static constexpr char kFolder = 'd';
    static constexpr char kKeep = 'k';
    static constexpr char kCreate = 'n';
    struct CaseInsensitiveLess {
        bool operator()(const std::string& a, const std::string& b) const { return _stricmp(a.c_str(), b.c_str()) < 0; }
    };

    // The journal's text as a whole, or false: the header, a root, plan
    // records that each name an installable path, "begin" at most once
    // after them and "done" at most once after it. A last line without its
    // end was cut short by a kill and is not taken.
    static bool ParseJournal(const std::string& text, std::string& root, std::vector<Step>& steps, bool& begun,
                             bool& done);
    static void SetJournalAside(const std::string& reason);

    InstallTransaction(std::string targetRoot, std::vector<Step> steps);
    std::string Target(const std::string& relativePath) const;
    std::string Backup(size_t step) const;
    // Finds the next planned step of the file and moves its old copy into
    // the backups; ERROR_SUCCESS with the step's target, or the error code.
    DWORD MoveOldCopyAside(const std::string& relativePath, std::string& target);
    // Undoes the plan from its end; false when a file could not be put back.
    bool Undo(int& restored);
    void RemoveBackupsAndJournal();

    std::string targetRoot_;
    std::string backupRoot_;
    std::string stagingRoot_;
    std::vector<Step> steps_;
    size_t nextStep_ = 0;                                              // where Replace looks for its file first
    std::set<std::string, CaseInsensitiveLess> knownFolders_;          // planned, or there before
    std::map<std::string, bool, CaseInsensitiveLess> outsideFolders_;  // ReachesOutside per folder
    std::wstring canonicalRoots_[3];  // the install folder, the backups, the staging folder, for ReachesOutside
    std::set<std::string, CaseInsensitiveLess> swappedFolders_;        // changed by Swap, flushed by Commit
    std::map<std::string, bool, CaseInsensitiveLess> stagedFolders_;   // Swap's link check per folder
    ScopedHandle journal_;
    bool open_ = false;       // begun, and neither committed nor rolled back
    bool committed_ = false;  // marked done, backups not yet removed
};
