#pragma once

#include "base/FileCopy.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

// MD5 message digest (RFC 1321), fed in pieces of any size.
class Md5 {
public:
    Md5();
    void Update(const void* data, size_t size);
    // Finishes the digest; the object must not be fed afterwards.
    void Final(uint8_t digest[16]);
    // Finishes the digest as 32 lowercase hex digits.
    std::string FinalHex();

private:
    void Transform(const uint8_t block[64]);

    uint32_t state_[4];
    uint64_t bytes_ = 0;
    uint8_t buffer_[64];
};

// 32 lowercase hex digits of the digest of a memory block.
std::string Md5Hex(const void* data, size_t size);

// 32 lowercase hex digits of the digest of a file's bytes, read in large
// chunks (an empty file has the digest of no bytes); "" for an empty path, a
// missing or unreadable file and a folder.
std::string FileMd5Hex(const std::string& path);

// True when the file's digest (FileMd5Hex) is the given one, in either
// letter case; never for an empty digest.
bool FileMatchesMd5(const std::string& path, const std::string& md5);

// The digests a file's bytes must have (hex, either case); an empty one is
// not asked for.
struct FileDigests {
    std::string md5;
    std::string sha256;
    bool Empty() const { return md5.empty() && sha256.empty(); }
};

// What a look at a file's bytes found: both digests are taken in one read.
enum class DigestCheck { kMatch, kMd5Mismatch, kSha256Mismatch };

// "md5" or "sha256": the digest that a check found wrong, for its log line.
const char* MismatchedDigestName(DigestCheck check);

// kMatch only when some digest is asked for and the file's bytes have every
// one asked for; a missing or unreadable file matches nothing.
DigestCheck CheckFileDigests(const std::string& path, const FileDigests& digests);

// The error of a copy whose bytes have the listed MD5 but not the listed
// SHA-256 (one of MD5's prepared collisions, or a listing gone wrong).
constexpr DWORD kErrorSha256Mismatch = 323;  // ERROR_DATA_CHECKSUM_ERROR

// Copies a file (CopyFileBytes) while taking the digests of the bytes
// copied, so that a file is checked and copied in one read. When a digest is
// not the expected one, the copy is removed and the result is ERROR_CRC (MD5)
// or kErrorSha256Mismatch. Without expected digests it is a plain copy. A
// flushed copy is on the disk when it is reported done.
[[nodiscard]] DWORD CopyFileCheckingDigests(const std::string& source, const std::string& target,
                                            const FileDigests& digests, Durability durability = Durability::kCached);
