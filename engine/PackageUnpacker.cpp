#include "engine/PackageUnpacker.h"

#include "base/FolderTree.h"
#include "base/ScopedHandles.h"
#include "engine/GrowingFile.h"
#include "engine/Paths.h"
#include "engine/Settings.h"
#include "engine/TarExtractor.h"
#include "engine/UpdateLog.h"
#include "engine/UpdateWorker.h"
#include "engine/XzDecoder.h"

#include <boost/thread/thread.hpp>

#include <windows.h>

#include <cstdio>
#include <exception>

namespace {

const char kPackageSuffix[] = ".tar.xz";
constexpr size_t kPackageSuffixLength = sizeof(kPackageSuffix) - 1;
constexpr size_t kXzSuffixLength = 3;

// Background mode lowers the thread's disk priority as well as its
// processor priority; where the platform refuses it, the lowest priority
// still keeps the thread out of the product's way.
void EnterPriority(UnpackPriority priority)
{
    if (priority == UnpackPriority::kBackground && !SetThreadPriority(GetCurrentThread(), THREAD_MODE_BACKGROUND_BEGIN))
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST);
}

void LeavePriority(UnpackPriority priority)
{
    if (priority == UnpackPriority::kBackground && !SetThreadPriority(GetCurrentThread(), THREAD_MODE_BACKGROUND_END))
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
}

// Decodes the package into the tar file while a second thread extracts the
// tar file as it grows, so that extraction costs no time of its own. The
// extraction's result counts only when the decode succeeded.
bool DecodeAndExtract(const std::string& packagePath, const std::string& tarPath, const std::string& folder,
                      UnpackPriority priority, Durability durability, int& extracted)
{
    BufferedStreamPair files;
    if (files.Open(packagePath, tarPath) != BufferedStreamPair::Opened::kBoth)
        return false;
    GrowingFile growing;
    boost::thread extraction([&] {
        // A thread's entry: an exception leaving it would end the process.
        try {
            EnterPriority(priority);
            extracted = ExtractTar(tarPath, folder, &growing, durability);
        } catch (const std::exception& error) {
            UpdateLog::Instance().Write("decompress tar file: %s stopped, %s.", tarPath.c_str(), error.what());
            extracted = -1;
        }
    });
    EnterPriority(priority);
    const bool decoded = DecompressXz(files.Input(), files.Output(), &growing) == 0;
    LeavePriority(priority);
    // A tar file that did not reach the disk in full is a failed decode.
    const bool closed = files.CloseOutput();
    growing.Finish();
    extraction.join();
    return closed && decoded;
}

// The package's files lie below a top folder named after the package: its
// name without ".tar.xz", cut before the last "-" (the version).
std::string SourceRoot(const std::string& packageName, const std::string& folder)
{
    std::string stem = packageName.substr(0, packageName.size() - kPackageSuffixLength);
    const size_t dash = stem.rfind('-');
    if (dash != std::string::npos)
        stem.erase(dash);
    return folder + "\\" + stem;
}

}  // namespace

UnpackedPackage UnpackPackage(const std::string& packagePath, const std::string& folder, UnpackPriority priority,
                              Durability durability)
{
    UnpackedPackage unpacked;
    if (!FileExists(packagePath)) {
        unpacked.code = UpdateWorker::kPackageMissing;
        return unpacked;
    }
    if (!EndsWith(packagePath, kPackageSuffix)) {
        unpacked.code = UpdateWorker::kBadSuffix;
        return unpacked;
    }
    // The tar file, as large as the unpacked content, goes where the
    // package's discard removes it, wherever the package lies.
    const std::string packageName = FileNameOf(packagePath);
    unpacked.tarPath = GetUpdateDir() + "\\" + packageName.substr(0, packageName.size() - kXzSuffixLength);
    unpacked.sourceRoot = SourceRoot(packageName, folder);
    int extracted = -1;
    // A link planted in the tar file's place would have the decoder write
    // over whatever it points at.
    if (IsLink(unpacked.tarPath) ||
        !DecodeAndExtract(packagePath, unpacked.tarPath, folder, priority, durability, extracted)) {
        unpacked.code = UpdateWorker::kXzFailed;
        return unpacked;
    }
    remove(unpacked.tarPath.c_str());
    unpacked.code = extracted == 0 ? UpdateWorker::kInstalled : UpdateWorker::kTarFailed;
    return unpacked;
}

void LogUnpackFailure(const std::string& packagePath, int code, const std::string& tarPath)
{
    UpdateLog& log = UpdateLog::Instance();
    switch (code) {
    case UpdateWorker::kPackageMissing:
        log.Write("xz file: %s not exist.", packagePath.c_str());
        break;
    case UpdateWorker::kBadSuffix:
        log.Write("xz file: %s bad format extend name.", packagePath.c_str());
        break;
    case UpdateWorker::kXzFailed:
        log.Write("decompress xz file: %s failed.", packagePath.c_str());
        break;
    case UpdateWorker::kTarFailed:
        log.Write("decompress tar file: %s failed.", tarPath.c_str());
        break;
    default:
        break;
    }
}

int UpdateWorker::UnpackAndInstall(const std::string& packagePath, const std::vector<FileEntry>& files)
{
    const UnpackedPackage unpacked = UnpackPackage(packagePath, GetUpdateDir());
    if (unpacked.code != kInstalled) {
        DiscardUpdate();
        LogUnpackFailure(packagePath, unpacked.code, unpacked.tarPath);
        return unpacked.code;
    }
    const bool installed = InstallFiles(unpacked.sourceRoot, InstallDir(), files);
    DiscardUpdate(unpacked.sourceRoot);
    return installed ? kInstalled : kInstallFailed;
}
