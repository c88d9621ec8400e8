#pragma once

#include <string>

// Extracts every member of the tar file below the target folder. A member
// that could land outside the folder (absolute path, drive letter, ".."),
// or that is not a plain file or folder, fails the extraction before it is
// written. 0 on success; -1 when the tar path is empty, a member is refused
// or libtar fails; -2 when the target folder is empty.
int ExtractTar(const std::string& tarPath, const std::string& targetFolder);
