#include "engine/XzDecoder.h"

#include "base/ScopedHandles.h"
#include "engine/GrowingFile.h"

#include <lzma.h>

#include <cstdint>
#include <vector>

namespace {

// Room for two threads on blocks of up to 8 MB with a 4 MB dictionary; past
// the budget the decoder takes fewer blocks at a time, never fails.
constexpr uint64_t kThreadingBudget = 40ull << 20;
constexpr uint32_t kMaxThreads = 4;
constexpr size_t kBufferSize = 64 * 1024;
constexpr uint64_t kPublishStep = 1 << 20;
// Enough of a file's end to find the last footer behind any stream padding
// worth allowing.
constexpr int64_t kTailSize = 4096;

// Releases the decoder on every return path.
struct DecoderScope {
    lzma_stream stream = LZMA_STREAM_INIT;
    ~DecoderScope() { lzma_end(&stream); }
};

uint32_t DecoderThreads()
{
    const uint32_t cores = lzma_cputhreads();
    if (cores == 0)
        return 1;
    return cores < kMaxThreads ? cores : kMaxThreads;
}

}  // namespace

int DecompressXz(FILE* in, FILE* out, GrowingFile* published)
{
    DecoderScope decoder;
    lzma_stream& stream = decoder.stream;
    // Packages in several blocks decode on several threads; a package of one
    // block decodes as with the single-threaded decoder.
    lzma_mt options = {};
    options.flags = LZMA_TELL_UNSUPPORTED_CHECK | LZMA_CONCATENATED;
    options.threads = DecoderThreads();
    options.memlimit_threading = kThreadingBudget;
    options.memlimit_stop = kXzMemoryLimit;
    if (lzma_stream_decoder_mt(&stream, &options) != LZMA_OK)
        return 1;

    std::vector<uint8_t> input(kBufferSize);
    std::vector<uint8_t> output(kBufferSize);
    uint64_t written = 0;
    uint64_t publishedSize = 0;
    bool finished = false;
    while (!finished) {
        const size_t got = fread(input.data(), 1, input.size(), in);
        if (ferror(in))
            return 1;
        finished = feof(in) != 0;
        stream.next_in = input.data();
        stream.avail_in = got;
        const lzma_action action = finished ? LZMA_FINISH : LZMA_RUN;
        do {
            stream.next_out = output.data();
            stream.avail_out = output.size();
            const lzma_ret ret = lzma_code(&stream, action);
            if (ret != LZMA_OK && ret != LZMA_STREAM_END)
                return 1;
            const size_t produced = output.size() - stream.avail_out;
            if (fwrite(output.data(), 1, produced, out) != produced)
                return 1;
            written += produced;
            if (published != nullptr && written - publishedSize >= kPublishStep) {
                if (fflush(out) != 0)
                    return 1;
                publishedSize = written;
                published->Grow(publishedSize);
            }
            if (ret == LZMA_STREAM_END)
                return 0;
            // Once the input is all in, keep asking until the decoder reports
            // the end: data cut short shows up only as a call that cannot
            // make progress (LZMA_BUF_ERROR). The threaded decoder may also
            // take input without giving output yet.
        } while (stream.avail_out == 0 || action == LZMA_FINISH || stream.avail_in > 0);
    }
    return 1;
}

bool LooksLikeXzFile(const std::string& path)
{
    ScopedFile file(fopen(path.c_str(), "rb"));
    if (!file)
        return false;
    uint8_t header[LZMA_STREAM_HEADER_SIZE];
    lzma_stream_flags flags;
    if (fread(header, 1, sizeof(header), file.Get()) != sizeof(header) ||
        lzma_stream_header_decode(&flags, header) != LZMA_OK)
        return false;
    // The footer ends the last stream, which stream padding (groups of four
    // zero bytes) may follow.
    if (_fseeki64(file.Get(), 0, SEEK_END) != 0)
        return false;
    const int64_t size = _ftelli64(file.Get());
    if (size < 0)
        return false;
    std::vector<uint8_t> tail(static_cast<size_t>(size < kTailSize ? size : kTailSize));
    if (_fseeki64(file.Get(), size - static_cast<int64_t>(tail.size()), SEEK_SET) != 0 ||
        fread(tail.data(), 1, tail.size(), file.Get()) != tail.size())
        return false;
    size_t end = tail.size();
    while (end >= 4 && tail[end - 1] == 0 && tail[end - 2] == 0 && tail[end - 3] == 0 && tail[end - 4] == 0)
        end -= 4;
    return end >= 2 * LZMA_STREAM_HEADER_SIZE &&
           lzma_stream_footer_decode(&flags, &tail[end - LZMA_STREAM_HEADER_SIZE]) == LZMA_OK;
}
