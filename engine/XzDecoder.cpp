#include "engine/XzDecoder.h"

#include <lzma.h>

#include <cstdint>

namespace {

// Releases the decoder on every return path.
struct DecoderScope {
    lzma_stream stream = LZMA_STREAM_INIT;
    ~DecoderScope() { lzma_end(&stream); }
};

}  // namespace

int DecompressXz(FILE* in, FILE* out)
{
    DecoderScope decoder;
    lzma_stream& stream = decoder.stream;
    if (lzma_stream_decoder(&stream, UINT64_MAX, LZMA_TELL_UNSUPPORTED_CHECK | LZMA_CONCATENATED) != LZMA_OK)
        return 1;

    uint8_t input[4096];
    uint8_t output[4096];
    bool finished = false;
    while (!finished) {
        const size_t got = fread(input, 1, sizeof(input), in);
        if (ferror(in))
            return 1;
        finished = feof(in) != 0;
        stream.next_in = input;
        stream.avail_in = got;
        const lzma_action action = finished ? LZMA_FINISH : LZMA_RUN;
        do {
            stream.next_out = output;
            stream.avail_out = sizeof(output);
            const lzma_ret ret = lzma_code(&stream, action);
            if (ret != LZMA_OK && ret != LZMA_STREAM_END)
                return 1;
            const size_t produced = sizeof(output) - stream.avail_out;
            if (fwrite(output, 1, produced, out) != produced)
                return 1;
            if (ret == LZMA_STREAM_END)
                return 0;
            // Once the input is all in, keep asking until the decoder reports
            // the end: data cut short shows up only as a call that cannot
            // make progress (LZMA_BUF_ERROR).
        } while (stream.avail_out == 0 || action == LZMA_FINISH);
    }
    return 1;
}
