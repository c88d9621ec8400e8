#include "engine/StagedUpdate.h"

#include "base/FileCopy.h"
#include "base/FolderTree.h"
#include "engine/DeltaPatch.h"
#include "engine/InstallTransaction.h"
#include "engine/Md5.h"
#include "engine/PackageUnpacker.h"
#include "engine/Paths.h"
#include "engine/UpdateLog.h"
#include "engine/UpdateWorker.h"

#include <windows.h>

#include <cstdio>

namespace {

constexpr char kHeader[] = "corvane staged update 2";

// A file's size and time of last write, as one text: it changes whenever
// the file is written. A missing file is "none".
std::string DescribeFile(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return "none";
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return "folder";
    char text[64];
    snprintf(text, sizeof(text), "%lu:%lu %lu:%lu", data.nFileSizeHigh, data.nFileSizeLow,
             data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
    return text;
}

// The marker's line of the package: its size and time of last write, which
// tell later that it is still the file that was staged.
std::string PackageLine(const std::string& packagePath)
{
    return std::string("package ") + DescribeFile(packagePath);
}

std::string ManifestLine(const std::string& manifestPath)
{
    return "manifest " + FileMd5Hex(manifestPath);
}

// The marker's lines; none unless its last line is complete.
std::vector<std::string> ReadMarkerLines()
{
    std::string text;
    ReadWholeFile(StagedUpdate::MarkerPath(), text);
    std::vector<std::string> lines;
    for (size_t start = 0, end = 0; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

// The marker's line of a listed file as it is now.
std::string FileLine(const std::string& root, const FileEntry& entry)
{
    const std::string description =
        IsContainedRelativePath(entry.path) ? DescribeFile(ToBackslashes(root + "\\" + entry.path)) : "outside";
    return "f " + description + " " + entry.path;
}

// Staging's own clean-up: the marker first, so that a tree half removed is
// never taken for a staged one. "" when both are gone, or the one that
// stays (a link in either place is left alone, not followed).
std::string RemoveStaged(const std::string& installDir)
{
    if (!RemoveEntryItself(StagedUpdate::MarkerPath()))
        return StagedUpdate::MarkerPath();
    const std::string folder = StagedUpdate::Folder(installDir);
    return RemoveDirTree(folder) ? "" : folder;
}

}  // namespace

std::string StagedUpdate::Folder(const std::string& installDir)
{
    return installDir + "\\" + InstallTransaction::kStagingFolderName;
}

void StagedUpdate::RemoveOrphan(const std::string& installDir)
{
    const std::string folder = Folder(installDir);
    if (!FileExists(folder) || FileExists(MarkerPath()))
        return;
    if (RemoveDirTree(folder))
        UpdateLog::Instance().Write("recovery: staging folder %s of no pending update removed.", folder.c_str());
}

std::string StagedUpdate::MarkerPath()
{
    return GetUpdateDir() + "\\staged.ok";
}

StagedUpdate::Result StagedUpdate::Stage(const std::string& installDir, const std::string& packagePath,
                                         const std::string& manifestPath, const std::vector<FileEntry>& files,
                                         bool background, const DeltaEntry* delta)
{
    const std::string left = RemoveStaged(installDir);
    if (!left.empty())
        return Result{UpdateWorker::kInstallFailed, left, ""};
    const std::string folder = Folder(installDir);
    if (CreateDirectoryA(folder.c_str(), nullptr))
        SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_HIDDEN);
    // Flushed as they are unpacked, while the product runs: the exec run
    // only renames them.
    const UnpackedPackage unpacked = UnpackPackage(
        packagePath, folder, background ? UnpackPriority::kBackground : UnpackPriority::kNormal, Durability::kFlushed);
    Result result{unpacked.code, unpacked.code == UpdateWorker::kTarFailed ? unpacked.tarPath : packagePath,
                  unpacked.sourceRoot};
    if (result.ok() && delta) {
        const DWORD built = BuildPatchedFiles(*delta, files, folder, unpacked.sourceRoot, installDir, result.path);
        if (built != ERROR_SUCCESS)
            result.code = static_cast<int>(built);
    }
    std::string marker = std::string(kHeader) + "\r\n" + PackageLine(packagePath) + "\r\n" +
                         ManifestLine(manifestPath) + "\r\nroot " + FileNameOf(unpacked.sourceRoot) + "\r\n";
    // Each file is read once here; later only its size and time are looked
    // at. A file without a digest is taken as it is, or as missing, just as
    // an installation from the package would take it. The installation
    // refuses an entry outside the install folder with a line of its own.
    for (size_t i = 0; result.ok() && i < files.size(); ++i) {
        const FileEntry& entry = files[i];
        const std::string staged = ToBackslashes(unpacked.sourceRoot + "\\" + entry.path);
        const FileDigests digests{entry.md5, entry.sha256};
        const bool checked =
            IsContainedRelativePath(entry.path) && !digests.Empty() && !(delta && LeavesOut(*delta, entry.path));
        const DigestCheck check = checked ? CheckFileDigests(staged, digests) : DigestCheck::kMatch;
        if (check != DigestCheck::kMatch) {
            result = Result{UpdateWorker::kInstallFailed, entry.path, ""};
            result.sha256Mismatch = check == DigestCheck::kSha256Mismatch;
            break;
        }
        marker += FileLine(unpacked.sourceRoot, entry) + "\r\n";
    }
    if (result.ok() && !WriteNewFile(MarkerPath(), marker))
        result = Result{UpdateWorker::kInstallFailed, MarkerPath(), ""};
    if (!result.ok())
        RemoveStaged(installDir);
    return result;
}

std::string StagedUpdate::FindTree(const std::string& installDir, const std::string& packagePath,
                                   const std::string& manifestPath, const std::vector<FileEntry>& files)
{
    constexpr size_t kFirstFile = 4;
    const std::vector<std::string> lines = ReadMarkerLines();
    if (lines.size() != kFirstFile + files.size() || lines[0] != kHeader)
        return "";
    if (lines[1] != PackageLine(packagePath) || lines[2] != ManifestLine(manifestPath) ||
        lines[3].compare(0, 5, "root ") != 0 || !IsPlainFileName(lines[3].substr(5)))
        return "";
    const std::string root = Folder(installDir) + "\\" + lines[3].substr(5);
    for (size_t i = 0; i < files.size(); ++i)
        if (lines[kFirstFile + i] != FileLine(root, files[i]))
            return "";
    return root;
}
