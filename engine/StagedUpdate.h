#pragma once

#include "engine/UpdateManifest.h"

#include <string>
#include <vector>

// A pending update unpacked and checked while the product still runs, so
// that installing it later only swaps files. The tree lies in the update
// folder, so that discarding the pending update removes it too. A marker,
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
        int code = 0;      // UpdateWorker::kInstalled, or the failing step's code
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
    static Result Stage(const std::string& packagePath, const std::string& manifestPath,
                        const std::vector<FileEntry>& files, bool background);

    // The staged tree's top folder when the marker names exactly this
    // package and manifest and every listed file is still as it was staged;
    // "" otherwise.
    static std::string FindTree(const std::string& packagePath, const std::string& manifestPath,
                                const std::vector<FileEntry>& files);

    static std::string Folder();
    static std::string MarkerPath();
};
