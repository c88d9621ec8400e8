#pragma once

#include "base/FileCopy.h"

#include <string>

class GrowingFile;

// Extracts every member of the tar file below the target folder: ustar, GNU
// (long names) and PAX archives (extended headers name the member that
// follows; global headers are skipped). A member that could land outside the
// folder (absolute path, drive letter, "..", a device name), or that is not
// a plain file or folder, fails the extraction before it is written; the
// refusal goes to the update log with the member's name. Extracted files take no attribute
// from the member's mode. 0 on success; -1 when the tar path is empty, a
// member is refused or the file is damaged; -2 when the target folder is
// empty. When growing is given, the tar file is still being written and is
// followed until its writer is done. Flushed, every file is put on the disk
// (FlushToDisk) before the next member is read.
int ExtractTar(const std::string& tarPath, const std::string& targetFolder, GrowingFile* growing = nullptr,
               Durability durability = Durability::kCached);
