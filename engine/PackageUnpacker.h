#pragma once

#include "base/FileCopy.h"

#include <string>

// How a package became a folder tree, for the caller to log and act on.
struct UnpackedPackage {
    int code = 0;            // UpdateWorker::kInstalled, or the code of the step that failed
    std::string tarPath;     // the decoded tar file (removed again before return)
    std::string sourceRoot;  // the tree's top folder, named after the package
};

// Decodes a .tar.xz package into a tar file in the folder and extracts it
// there as it grows. Logs nothing and discards nothing. In the background
// its threads yield the processor and the disk to everything else, for work
// done while the product runs. Flushed, each file is on the disk as it is
// written (see ExtractTar).
enum class UnpackPriority { kNormal, kBackground };
UnpackedPackage UnpackPackage(const std::string& packagePath, const std::string& folder,
                              UnpackPriority priority = UnpackPriority::kNormal,
                              Durability durability = Durability::kCached);

// The log line of an unpacking that failed at one of its steps (the code of
// UnpackedPackage); the tar file is named when its extraction failed.
void LogUnpackFailure(const std::string& packagePath, int code, const std::string& tarPath);
