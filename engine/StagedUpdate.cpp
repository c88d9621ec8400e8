#include "engine/StagedUpdate.h"

#include "base/ScopedHandles.h"
#include "engine/Md5.h"
#include "engine/PackageUnpacker.h"
#include "engine/Paths.h"
#include "engine/UpdateWorker.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr char kHeader[] = "corvane staged update 1";

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

// The marker's lines that name the package and the manifest: the package's
// size and digest, the manifest's digest.
bool DescribeUpdate(const std::string& packagePath, const std::string& manifestPath, std::string& text)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(packagePath.c_str(), GetFileExInfoStandard, &data))
        return false;
    const std::string packageMd5 = FileMd5Hex(packagePath);
    const std::string manifestMd5 = FileMd5Hex(manifestPath);
    if (packageMd5.empty() || manifestMd5.empty())
        return false;
    const unsigned long long size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    text = std::string(kHeader) + "\r\npackage " + std::to_string(size) + " " + packageMd5 + "\r\nmanifest " +
           manifestMd5 + "\r\n";
    return true;
}

std::string ReadMarker()
{
    std::string text;
    if (ScopedFile file{fopen(StagedUpdate::MarkerPath().c_str(), "rb")}) {
        char buffer[4096];
        size_t read = 0;
        while ((read = fread(buffer, 1, sizeof(buffer), file.Get())) > 0)
            text.append(buffer, read);
    }
    return text;
}

bool WriteMarker(const std::string& text)
{
    const std::string path = StagedUpdate::MarkerPath();
    ScopedFile file(fopen(path.c_str(), "wb"));
    if (!file)
        return false;
    const bool written = fwrite(text.data(), 1, text.size(), file.Get()) == text.size();
    if (fclose(file.Release()) == 0 && written)
        return true;
    remove(path.c_str());
    return false;
}

// The staged file of an entry: below the tree's top folder.
std::string StagedFile(const std::string& root, const FileEntry& entry)
{
    return ToBackslashes(root + "\\" + entry.path);
}

}  // namespace

std::string StagedUpdate::Folder()
{
    return GetUpdateDir() + "\\staged";
}

std::string StagedUpdate::MarkerPath()
{
    return GetUpdateDir() + "\\staged.ok";
}

void StagedUpdate::Remove()
{
    remove(MarkerPath().c_str());
    RemoveDirTree(Folder());
}

StagedUpdate::Result StagedUpdate::Stage(const std::string& packagePath, const std::string& manifestPath,
                                         const std::vector<FileEntry>& files, bool background)
{
    Remove();
    const std::string folder = Folder();
    CreateDirectoryA(folder.c_str(), nullptr);
    const UnpackedPackage unpacked =
        UnpackPackage(packagePath, folder, background ? UnpackPriority::kBackground : UnpackPriority::kNormal);
    Result result{unpacked.code, unpacked.code == UpdateWorker::kTarFailed ? unpacked.tarPath : packagePath,
                  unpacked.sourceRoot};
    std::string marker;
    if (result.ok() && !DescribeUpdate(packagePath, manifestPath, marker))
        result = Result{UpdateWorker::kPackageMissing, packagePath, ""};
    if (result.ok())
        marker += "root " + FileNameOf(unpacked.sourceRoot) + "\r\n";
    // Each file is read once here; later only its size and time are looked
    // at. A file without a digest is taken as it is, or as missing, just as
    // an installation from the package would take it.
    for (size_t i = 0; result.ok() && i < files.size(); ++i) {
        const FileEntry& entry = files[i];
        // The installation refuses such an entry with a line of its own.
        if (!IsContainedRelativePath(entry.path)) {
            marker += "f outside " + entry.path + "\r\n";
            continue;
        }
        const std::string staged = StagedFile(unpacked.sourceRoot, entry);
        if (!entry.md5.empty() && _stricmp(FileMd5Hex(staged).c_str(), entry.md5.c_str()) != 0) {
            result = Result{UpdateWorker::kInstallFailed, entry.path, ""};
            break;
        }
        marker += "f " + DescribeFile(staged) + " " + entry.path + "\r\n";
    }
    if (result.ok() && !WriteMarker(marker))
        result = Result{UpdateWorker::kInstallFailed, MarkerPath(), ""};
    if (!result.ok())
        Remove();
    return result;
}

std::string StagedUpdate::FindTree(const std::string& packagePath, const std::string& manifestPath,
                                   const std::vector<FileEntry>& files)
{
    const std::string marker = ReadMarker();
    std::string expected;
    if (marker.empty() || !DescribeUpdate(packagePath, manifestPath, expected) ||
        marker.compare(0, expected.size(), expected) != 0)
        return "";
    size_t start = expected.size();
    const size_t rootEnd = marker.find("\r\n", start);
    if (marker.compare(start, 5, "root ") != 0 || rootEnd == std::string::npos)
        return "";
    const std::string stem = marker.substr(start + 5, rootEnd - start - 5);
    if (!IsPlainFileName(stem))
        return "";
    const std::string root = Folder() + "\\" + stem;
    start = rootEnd + 2;
    for (const FileEntry& entry : files) {
        const std::string description =
            IsContainedRelativePath(entry.path) ? DescribeFile(StagedFile(root, entry)) : "outside";
        const std::string line = "f " + description + " " + entry.path + "\r\n";
        if (marker.compare(start, line.size(), line) != 0)
            return "";
        start += line.size();
    }
    return start == marker.size() ? root : "";
}
