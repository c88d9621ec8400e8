#pragma once

#include "engine/UpdateManifest.h"

#include <string>
#include <vector>

// A pending update unpacked and checked while the product still runs, so
// that installing it later only swaps files, by two renames each. The tree
// lies in a hidden folder of the install folder, on its volume and with its
// permissions, named so that a product scanning its folder passes over it
// (as it does the backups); every file is flushed to the disk as it is
// unpacked. It goes with the pending update: the marker lies in the update
// folder, so that discarding the pending update leaves no usable tree, and
// the folder is removed with it (or by the next run's recovery). A marker,
// written last, names the package (its size and time of last write), the
// manifest (its digest) and each staged file as it was when its digest was
// checked (size and time of last write). The package's own digest is not
// kept: the staged files are checked against the manifest's digests, again
// as they are installed, which no change of the package can get past. A
// tree whose marker does not fit the files as they are now is never used.
// The check reads no file but the small manifest, so that it costs the
// product no downtime.
class StagedUpdate {
public:
    // What a staging run came to: ok, or the step that failed and the file
    // it failed on.
    struct Result {
        int code = 0;      // UpdateWorker::kInstalled, or the failing step's code (see Stage)
        std::string path;  // the file the failing step names
        std::string root;  // the staged tree's top folder
        bool sha256Mismatch = false;  // the file failed its SHA-256, not its MD5
        bool ok() const { return code == 0; }
    };

    // Unpacks the package into the staging folder (in the background when
    // asked) and checks every listed file that has a digest against it, then
    // writes the marker. Whatever was staged before is removed first; a link
    // in the place of the staging folder or the marker is left alone and
    // fails the staging, naming it. A failed staging leaves nothing. Logs
    // nothing but the links that the removal meets.
    //
    // A delta package (delta given) is a tree of its own: after unpacking,
    // each file it patches is built from its copy in the install folder;
    // the files it leaves out stay missing from the tree, their installed
    // copies being current already. A failure to build a file has the
    // positive error code of that step (DeltaPatch.h) and names the file.
    static Result Stage(const std::string& installDir, const std::string& packagePath, const std::string& manifestPath,
                        const std::vector<FileEntry>& files, bool background, const DeltaEntry* delta = nullptr);

    // The staged tree's top folder when the marker names exactly this
    // package and manifest and every listed file is still as it was staged;
    // "" otherwise.
    static std::string FindTree(const std::string& installDir, const std::string& packagePath,
                                const std::string& manifestPath, const std::vector<FileEntry>& files);

    // For the start of a run: a staging folder without a marker belongs to
    // no pending update (a run ended between the discard and the removal)
    // and is removed, logged in one line.
    static void RemoveOrphan(const std::string& installDir);

    // Where staging writes: the install folder's staging folder.
    static std::string Folder(const std::string& installDir);
    static std::string MarkerPath();
};
