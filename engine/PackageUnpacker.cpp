#include "engine/UpdateWorker.h"

#include "base/ScopedHandles.h"
#include "engine/GrowingFile.h"
#include "engine/Paths.h"
#include "engine/Settings.h"
#include "engine/TarExtractor.h"
#include "engine/UpdateLog.h"
#include "engine/XzDecoder.h"

#include <boost/thread/thread.hpp>

#include <cstdio>

namespace {

const char kPackageSuffix[] = ".tar.xz";
constexpr size_t kPackageSuffixLength = sizeof(kPackageSuffix) - 1;
constexpr size_t kXzSuffixLength = 3;
constexpr size_t kStreamBuffer = 1 << 20;

// Decodes the package into the tar file while a second thread extracts the
// tar file as it grows, so that extraction costs no time of its own. The
// extraction's result counts only when the decode succeeded.
bool DecodeAndExtract(const std::string& packagePath, const std::string& tarPath, int& extracted)
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
    GrowingFile growing;
    const std::string updateDir = GetUpdateDir();
    boost::thread extraction([&] { extracted = ExtractTar(tarPath, updateDir, &growing); });
    const bool decoded = DecompressXz(in.Get(), out.Get(), &growing) == 0;
    // A tar file that did not reach the disk in full is a failed decode.
    const bool closed = fclose(out.Release()) == 0;
    growing.Finish();
    extraction.join();
    return closed && decoded;
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

    // The tar file, as large as the unpacked content, goes where the discard
    // removes it, wherever the package lies.
    const std::string packageName = FileNameOf(packagePath);
    const std::string tarPath = GetUpdateDir() + "\\" + packageName.substr(0, packageName.size() - kXzSuffixLength);
    int extracted = -1;
    if (!DecodeAndExtract(packagePath, tarPath, extracted)) {
        DiscardPendingUpdate();
        UpdateLog::Instance().Write("decompress xz file: %s failed.", packagePath.c_str());
        return kXzFailed;
    }

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
