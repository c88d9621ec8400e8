// Benchmark of the package apply and of the MD5, run by scripts/bench_install.sh.
//   bench_install apply <APPDATA folder> <package> <manifest> <install folder> [plain|staged]
//     ("plain": without the journal and backups, to show what they cost;
//     "staged": staged first, as a silent run does, then the exec run, timed
//     up to its start of the product)
//   bench_install decode <package> <tar file>
//   bench_install extract <tar file> <folder>
//   bench_install md5 <file>
//   bench_install renames <folder> <files>
//     (only the two renames per file of an exec run from a staged tree: the
//     installed copy into the backups, the staged copy into its place, in
//     the folders of the benchmark tree)
//   bench_install fetch <APPDATA folder> <base address> <manifest> <install folder> full|delta
//     (downloads the full package or the delta that fits the install
//     folder, stages it as a silent run does, then installs it as the exec
//     run does)
//   bench_install digests <file> <md5> <sha256>   (both in one read, as installing checks them)
// Prints "name: value" lines; the apply also prints the process's peak memory.
#include "base/PathUtil.h"
#include "base/ScopedHandles.h"
#include "engine/DeltaPatch.h"
#include "engine/HttpDownloader.h"
#include "engine/Md5.h"
#include "engine/Paths.h"
#include "engine/Settings.h"
#include "engine/StagedUpdate.h"
#include "engine/TarExtractor.h"
#include "engine/UpdateLog.h"
#include "engine/UpdateManifest.h"
#include "engine/UpdateWorker.h"
#include "engine/XzDecoder.h"

#include <psapi.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

double Seconds()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void PrintPeakMemory()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) {
        printf("peak_working_set_mb: %.1f\n", counters.PeakWorkingSetSize / 1048576.0);
        printf("peak_private_mb: %.1f\n", counters.PeakPagefileUsage / 1048576.0);
    }
}

// The update and user-data folders follow APPDATA: they go into the
// benchmark's own folder. False, said, when the manifest cannot be loaded.
bool Prepare(const char* appData, const char* manifestPath, UpdateManifest& manifest, std::vector<FileEntry>& files)
{
    SetEnvironmentVariableA("APPDATA", appData);
    UpdateLog::Instance().Open();
    if (!manifest.Load(manifestPath)) {
        fprintf(stderr, "cannot load %s\n", manifestPath);
        return false;
    }
    manifest.GetFileList(files);
    return true;
}

enum class ApplyKind { kJournal, kPlain, kStaged };

int Apply(const char* appData, const char* package, const char* manifestPath, const char* installDir, ApplyKind kind)
{
    UpdateManifest manifest;
    std::vector<FileEntry> files;
    if (!Prepare(appData, manifestPath, manifest, files))
        return 1;
    UpdateWorker worker;
    worker.SetInstallDir(installDir);
    worker.SetTransactional(kind != ApplyKind::kPlain);
    int result = 0;
    double start = Seconds();
    if (kind == ApplyKind::kStaged) {
        // As a silent run leaves it, then the exec run up to the product's start.
        const bool staged = StagedUpdate::Stage(installDir, package, manifestPath, files, false).ok();
        printf("staging_seconds: %.3f\n", Seconds() - start);
        WriteXmlSetting(manifestPath);
        WriteXzSetting(package);
        double started = 0;
        FlowContext context;
        context.startProduct = [&started](const std::string&) {
            started = Seconds();
            return true;
        };
        worker.SetContext(context);
        start = Seconds();
        result = staged && worker.ExecUpdateProc() ? 0 : UpdateWorker::kInstallFailed;
        printf("exec_until_start_seconds: %.3f\n", started - start);
        printf("exec_cleanup_seconds: %.3f\n", Seconds() - started);
        start = Seconds() - (started - start);
    } else {
        result = worker.UnpackAndInstall(package, files);
    }
    const double elapsed = Seconds() - start;
    start = Seconds();
    worker.FinishInstallation();
    const double cleanup = Seconds() - start;
    printf("apply_result: %d\n", result);
    printf("apply_files: %u\n", static_cast<unsigned>(files.size()));
    printf("apply_seconds: %.3f\n", elapsed);
    printf("cleanup_seconds: %.3f\n", cleanup);
    PrintPeakMemory();
    return result == 0 ? 0 : 1;
}

int Decode(const char* package, const char* tar)
{
    // The same streams as the apply's decode step.
    BufferedStreamPair files;
    if (files.Open(package, tar) != BufferedStreamPair::Opened::kBoth)
        return 1;
    const double start = Seconds();
    const int result = DecompressXz(files.Input(), files.Output());
    const bool closed = files.CloseOutput();
    printf("decode_seconds: %.3f\n", Seconds() - start);
    return closed ? result : 1;
}

int Extract(const char* tar, const char* folder)
{
    const double start = Seconds();
    const int result = ExtractTar(tar, folder);
    printf("extract_seconds: %.3f\n", Seconds() - start);
    return result == 0 ? 0 : 1;
}

int Digest(const char* path)
{
    struct _stat64 info;
    if (_stat64(path, &info) != 0)
        return 1;
    const double start = Seconds();
    const std::string digest = FileMd5Hex(path);
    const double elapsed = Seconds() - start;
    printf("md5_digest: %s\n", digest.c_str());
    printf("md5_seconds: %.3f\n", elapsed);
    printf("md5_mb_per_s: %.1f\n", info.st_size / 1048576.0 / elapsed);
    return digest.empty() ? 1 : 0;
}

bool MakeSmallFile(const std::string& path)
{
    ScopedHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file.Valid() && WriteFile(file.Get(), path.data(), static_cast<DWORD>(path.size()), &written, nullptr);
}

int Renames(const std::string& folder, int count)
{
    const std::string staged = folder + "\\staged";
    const std::string installed = folder + "\\install";
    const std::string backups = installed + "\\.corvane-backup";
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        char path[64];
        snprintf(path, sizeof(path), "\\dir%02d\\sub%d\\file%04d.bin", i % 40, i % 7, i);
        paths.push_back(path);
        for (const std::string& root : {staged, installed}) {
            MakeParentDirs(root + path);
            if (!MakeSmallFile(root + path))
                return 1;
        }
    }
    CreateDirectoryA(backups.c_str(), nullptr);
    const double start = Seconds();
    for (int i = 0; i < count; ++i) {
        const std::string target = installed + paths[i];
        if (!MoveFileExA(target.c_str(), (backups + "\\" + std::to_string(i)).c_str(), 0) ||
            !MoveFileExA((staged + paths[i]).c_str(), target.c_str(), 0))
            return 1;
    }
    const double elapsed = Seconds() - start;
    printf("renames_files: %d\n", count);
    printf("renames_seconds: %.3f\n", elapsed);
    printf("renames_seconds_per_1000_files: %.3f\n", elapsed * 1000 / count);
    return 0;
}

int Fetch(const char* appData, const std::string& uri, const char* manifestPath, const char* installDir, bool delta)
{
    UpdateManifest manifest;
    std::vector<FileEntry> files;
    if (!Prepare(appData, manifestPath, manifest, files))
        return 1;
    std::vector<DeltaEntry> deltas;
    manifest.GetDeltas(deltas);
    double start = Seconds();
    const DeltaEntry* chosen = delta ? ChooseDelta(deltas, files, installDir) : nullptr;
    if (delta) {
        printf("choose_seconds: %.3f\n", Seconds() - start);
        if (!chosen) {
            fprintf(stderr, "no delta fits %s\n", installDir);
            return 1;
        }
    }
    start = Seconds();
    HttpDownloader downloader;
    const DownloadResult download =
        downloader.Download(uri + "/" + (chosen ? chosen->package : manifest.GetPackage()), GetUpdateDir(), false);
    printf("download_seconds: %.3f\n", Seconds() - start);
    if (download.code != HttpDownloader::kOk)
        return 1;
    start = Seconds();
    const StagedUpdate::Result staged =
        StagedUpdate::Stage(installDir, download.path, manifestPath, files, false, chosen);
    printf("staging_seconds: %.3f\n", Seconds() - start);
    printf("staging_result: %d %s\n", staged.code, staged.path.c_str());
    if (!staged.ok())
        return 1;
    WriteXmlSetting(manifestPath);
    WriteXzSetting(download.path);
    UpdateWorker worker;
    worker.SetInstallDir(installDir);
    start = Seconds();
    const bool applied = worker.ExecUpdateProc();
    printf("exec_seconds: %.3f\n", Seconds() - start);
    PrintPeakMemory();
    return applied ? 0 : 1;
}

int Digests(const char* path, const char* md5, const char* sha256)
{
    const double start = Seconds();
    const DigestCheck check = CheckFileDigests(path, FileDigests{md5, sha256});
    printf("digests_seconds: %.3f\n", Seconds() - start);
    printf("digests_match: %s\n", check == DigestCheck::kMatch ? "yes" : MismatchedDigestName(check));
    return check == DigestCheck::kMatch ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 7 && strcmp(argv[1], "fetch") == 0 && (strcmp(argv[6], "full") == 0 || strcmp(argv[6], "delta") == 0))
        return Fetch(argv[2], argv[3], argv[4], argv[5], strcmp(argv[6], "delta") == 0);
    if (argc >= 6 && argc <= 7 && strcmp(argv[1], "apply") == 0) {
        const char* kind = argc == 7 ? argv[6] : "";
        if (argc == 6 || strcmp(kind, "plain") == 0 || strcmp(kind, "staged") == 0)
            return Apply(argv[2], argv[3], argv[4], argv[5],
                         argc == 6 ? ApplyKind::kJournal
                                   : (strcmp(kind, "plain") == 0 ? ApplyKind::kPlain : ApplyKind::kStaged));
    }
    if (argc == 4 && strcmp(argv[1], "decode") == 0)
        return Decode(argv[2], argv[3]);
    if (argc == 4 && strcmp(argv[1], "extract") == 0)
        return Extract(argv[2], argv[3]);
    if (argc == 3 && strcmp(argv[1], "md5") == 0)
        return Digest(argv[2]);
    if (argc == 4 && strcmp(argv[1], "renames") == 0 && atoi(argv[3]) > 0)
        return Renames(argv[2], atoi(argv[3]));
    if (argc == 5 && strcmp(argv[1], "digests") == 0)
        return Digests(argv[2], argv[3], argv[4]);
    fprintf(stderr, "usage: bench_install apply <APPDATA folder> <package> <manifest> <install folder> [plain|staged] "
                    "| decode <package> <tar> | extract <tar> <folder> | md5 <file> | renames <folder> <files> "
                    "| fetch <APPDATA folder> <base address> <manifest> <install folder> full|delta "
                    "| digests <file> <md5> <sha256>\n");
    return 2;
}
