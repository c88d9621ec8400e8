#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

class GrowingFile;

// Decodes the xz stream (or several in a row) read from in into out, the
// blocks of a multi-block stream on several threads within a bounded memory
// budget. When published is given, the bytes written so far are flushed and
// published to it in steps of about a megabyte, so that a reader can follow.
// 0 on success; 1 when the data is damaged or cut short, its check type is
// unsupported, it needs more memory than kXzMemoryLimit to decode, or a read
// or write fails.
int DecompressXz(FILE* in, FILE* out, GrowingFile* published = nullptr);

// What the decoder may take: every standard preset fits (xz -9e needs 65 MiB
// to decode), a header that claims a giant dictionary does not.
constexpr uint64_t kXzMemoryLimit = 128ull << 20;

// True when the file begins with an xz stream header and ends with a stream
// footer (after any stream padding), both intact: a quick look that tells a
// package from an error page, not an integrity pass.
bool LooksLikeXzFile(const std::string& path);
