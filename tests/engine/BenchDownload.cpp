// Figures of the downloader, printed, not checked: one file fetched by
// HttpDownloader over HTTP and over HTTPS from the same loopback server, in
// one run, and the ratio of the two throughputs; then the same file over
// HTTP through a relay that drops the connection five times, with the bytes
// the server sent against the file's size (a resumed download sends each
// byte once, a restarted one again and again).
//   bench_download.exe HTTP_URL HTTPS_URL FOLDER [RUNS [RELAY_BASE NAME]]
#include "engine/HttpDownloader.h"

#include "base/PathUtil.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

double FileMegabytes(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return (static_cast<double>(data.nFileSizeHigh) * 4294967296.0 + data.nFileSizeLow) / 1e6;
}

// Seconds of one download into the folder; negative when it failed.
double TimedDownload(const std::string& url, const std::string& folder, double& megabytes)
{
    const auto start = std::chrono::steady_clock::now();
    const DownloadResult result = HttpDownloader().Download(url, folder, false);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (result.code != HttpDownloader::kOk) {
        printf("  %s failed with %d\n", url.c_str(), result.code);
        return -1;
    }
    megabytes = FileMegabytes(result.path);
    DeleteFileA(result.path.c_str());
    return seconds;
}

// Best megabytes a second of the runs; 0 when a download failed.
double BestThroughput(const std::string& url, const std::string& folder, int runs, double& megabytes)
{
    double best = 0;
    for (int i = 0; i < runs; ++i) {
        const double seconds = TimedDownload(url, folder, megabytes);
        if (seconds < 0)
            return 0;
        printf("  %-5s run %d: %.1f MB in %.2f s\n", url.substr(0, url.find(':')).c_str(), i + 1, megabytes, seconds);
        best = std::max(best, megabytes / seconds);
    }
    return best;
}

// Bytes the relay has sent for the name so far.
double RelayedMegabytes(const std::string& relay, const std::string& name, const std::string& folder)
{
    const DownloadResult result = HttpDownloader().Download(relay + "/sent/" + name, folder, false);
    std::string text;
    if (result.code != HttpDownloader::kOk || !ReadWholeFile(result.path, text))
        return -1;
    DeleteFileA(result.path.c_str());
    return atof(text.c_str()) / 1e6;
}

// Downloads through the relay that cuts each of the first five connections
// after a sixth of the file; false when one failed.
bool DroppedRuns(const std::string& relay, const std::string& name, const std::string& folder, int runs,
                 double fileMegabytes)
{
    const long long cut = static_cast<long long>(fileMegabytes * 1e6 / 6);
    for (int i = 0; i < runs; ++i) {
        const double sentBefore = RelayedMegabytes(relay, name, folder);
        const std::string url = relay + "/cut/" + std::to_string(cut + i) + "/5/" + name;
        double megabytes = 0;
        const double seconds = TimedDownload(url, folder, megabytes);
        if (seconds < 0)
            return false;
        const double sent = RelayedMegabytes(relay, name, folder) - sentBefore;
        printf("  5 drops run %d: %.1f MB in %.2f s (with five waits of about 1 s), server sent %.1f MB = %.3fx\n",
               i + 1, megabytes, seconds, sent, sent / megabytes);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        fprintf(stderr, "usage: bench_download.exe HTTP_URL HTTPS_URL FOLDER [RUNS [RELAY_BASE NAME]]\n");
        return 2;
    }
    const int runs = argc > 4 ? std::max(1, atoi(argv[4])) : 3;
    double megabytes = 0;
    const double http = BestThroughput(argv[1], argv[3], runs, megabytes);
    const double https = BestThroughput(argv[2], argv[3], runs, megabytes);
    printf("HTTP  best: %.1f MB/s\nHTTPS best: %.1f MB/s\nHTTPS/HTTP: %.2f\n", http, https,
           http > 0 ? https / http : 0.0);
    const bool dropped = argc < 7 || (http > 0 && DroppedRuns(argv[5], argv[6], argv[3], runs, megabytes));
    return http > 0 && https > 0 && dropped ? 0 : 1;
}
