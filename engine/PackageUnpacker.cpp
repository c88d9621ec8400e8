#include "engine/UpdateWorker.h"

#include "engine/Paths.h"
#include "base/ScopedHandles.h"
#include "engine/Settings.h"
#include "engine/TarExtractor.h"
#include "engine/UpdateLog.h"
#include "engine/XzDecoder.h"

#include <cstdio>

namespace {

const char kPackageSuffix[] = ".tar.xz";
constexpr size_t kPackageSuffixLength = sizeof(kPackageSuffix) - 1;
constexpr size_t kXzSuffixLength = 3;
constexpr size_t kStreamBuffer = 1 << 20;

bool DecodePackage(const std::string& packagePath, const std::string& tarPath)
{
    ScopedFile in(fopen(packagePath.c_str(), "rb"));
    if (!in)
        return false;
    ScopedFile out(fopen(tarPath.c_str(), "wb"));
    if (!out)
        return false;
    // Stream buffers larger than the decoder's steps spare system calls.
    setvbuf(in.Get(), nullptr, _IOFBF, kStreamBuffer);
    setvbuf(out.Get(), nullptr, _IOFBF, kStreamBuffer);
    const bool decoded = DecompressXz(in.Get(), out.Get()) == 0;
    // A tar file that did not reach the disk in full is a failed decode.
    return fclose(out.Release()) == 0 && decoded;
}

// The package's files lie below a top folder named after the package: its
// name without ".tar.xz", cut before the last "-" (the version).
std::string SourceRoot(const std::string& packagePath)
{
    std::string folder, name;
    SplitPath(packagePath, folder, name, false);
    std::string stem = name.substr(0, name.size() - kPackageSuffixLength);
    const size_t dash = stem.rfind('-');
    if (dash != std::string::npos)
        stem.erase(dash);
    return GetUpdateDir() + "\\" + stem;
}

}  // namespace

int UpdateWorker::UnpackAndInstall(const std::string& packagePath, const std::vector<FileEntry>& files)
{
    if (!FileExists(packagePath)) {
        DiscardPendingUpdate();
        UpdateLog::Instance().Write("xz file: %s not exist.", packagePath.c_str());
        return kPackageMissing;
    }
    if (!EndsWith(packagePath, kPackageSuffix)) {
        DiscardPendingUpdate();
        UpdateLog::Instance().Write("xz file: %s bad format extend name.", packagePath.c_str());
        return kBadSuffix;
    }

    const std::string tarPath = packagePath.substr(0, packagePath.size() - kXzSuffixLength);
    if (!DecodePackage(packagePath, tarPath)) {
        // The tar file may lie outside the update folder, which the discard
        // removes, when the package does.
        remove(tarPath.c_str());
        DiscardPendingUpdate();
        UpdateLog::Instance().Write("decompress xz file: %s failed.", packagePath.c_str());
        return kXzFailed;
    }

    const int extracted = ExtractTar(tarPath, GetUpdateDir());
    remove(tarPath.c_str());
    if (extracted != 0) {
        DiscardPendingUpdate();
        UpdateLog::Instance().Write("decompress tar file: %s failed.", tarPath.c_str());
        return kTarFailed;
    }

    const bool installed = InstallFiles(SourceRoot(packagePath), InstallDir(), files);
    DiscardPendingUpdate();
    return installed ? kInstalled : kInstallFailed;
}
