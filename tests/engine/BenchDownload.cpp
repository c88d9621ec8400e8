// Figures of the downloader, printed, not checked: one file fetched by
// HttpDownloader over HTTP and over HTTPS from the same loopback server, in
// one run, and the ratio of the two throughputs.
//   bench_download.exe HTTP_URL HTTPS_URL FOLDER [RUNS]
#include "engine/HttpDownloader.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Best megabytes a second of the runs; 0 when a download failed.
double BestThroughput(const std::string& url, const std::string& folder, int runs)
{
    double best = 0;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const DownloadResult result = HttpDownloader().Download(url, folder, false);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (result.code != HttpDownloader::kOk) {
            printf("  %s failed with %d\n", url.c_str(), result.code);
            return 0;
        }
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        GetFileAttributesExA(result.path.c_str(), GetFileExInfoStandard, &data);
        const double megabytes = (static_cast<double>(data.nFileSizeHigh) * 4294967296.0 + data.nFileSizeLow) / 1e6;
        printf("  %-5s run %d: %.1f MB in %.2f s\n", url.substr(0, url.find(':')).c_str(), i + 1, megabytes, seconds);
        best = std::max(best, megabytes / seconds);
        DeleteFileA(result.path.c_str());
    }
    return best;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        fprintf(stderr, "usage: bench_download.exe HTTP_URL HTTPS_URL FOLDER [RUNS]\n");
        return 2;
    }
    const int runs = argc > 4 ? std::max(1, atoi(argv[4])) : 3;
    const double http = BestThroughput(argv[1], argv[3], runs);
    const double https = BestThroughput(argv[2], argv[3], runs);
    printf("HTTP  best: %.1f MB/s\nHTTPS best: %.1f MB/s\nHTTPS/HTTP: %.2f\n", http, https,
           http > 0 ? https / http : 0.0);
    return http > 0 && https > 0 ? 0 : 1;
}
