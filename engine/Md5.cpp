#include "engine/Md5.h"

#include "base/FileCopy.h"
#include "base/ScopedHandles.h"
#include "base/TextConversion.h"
#include "engine/Sha256.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr size_t kReadSize = 256 * 1024;

inline uint32_t RotateLeft(uint32_t x, int n)
{
    return (x << n) | (x >> (32 - n));
}

// The four auxiliary functions of the rounds, written in the forms that need
// the fewest operations.
#define MD5_F(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define MD5_G(x, y, z) ((y) ^ ((z) & ((x) ^ (y))))
#define MD5_H(x, y, z) ((x) ^ (y) ^ (z))
#define MD5_I(x, y, z) ((y) ^ ((x) | ~(z)))
#define MD5_STEP(f, a, b, c, d, w, k, s)                                                                               \
    (a) += f((b), (c), (d)) + (w) + (k);                                                                               \
    (a) = RotateLeft((a), (s)) + (b)

std::string ToHex(const uint8_t digest[16])
{
    return ToLowerHex(digest, 16);
}

// Both digests of one stream of bytes, each taken only when asked for.
class DigestPair {
public:
    explicit DigestPair(const FileDigests& expected) : expected_(expected)
    {
        if (!expected_.sha256.empty())
            sha256_ = std::make_unique<Sha256>();
    }
    void Update(const void* data, size_t size)
    {
        if (!expected_.md5.empty())
            md5_.Update(data, size);
        if (sha256_)
            sha256_->Update(data, size);
    }
    DigestCheck Final()
    {
        if (!expected_.md5.empty()) {
            uint8_t digest[16];
            md5_.Final(digest);
            if (_stricmp(ToHex(digest).c_str(), expected_.md5.c_str()) != 0)
                return DigestCheck::kMd5Mismatch;
        }
        if (sha256_ && _stricmp(sha256_->FinalHex().c_str(), expected_.sha256.c_str()) != 0)
            return DigestCheck::kSha256Mismatch;
        return DigestCheck::kMatch;
    }

private:
    const FileDigests& expected_;
    Md5 md5_;
    std::unique_ptr<Sha256> sha256_;
};

}  // namespace

Md5::Md5() : state_{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476}, buffer_{}
{
}

void Md5::Transform(const uint8_t block[64])
{
    uint32_t w[16];
    // The words are little-endian, as is every target of this program.
    memcpy(w, block, sizeof(w));
    uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];

    MD5_STEP(MD5_F, a, b, c, d, w[0], 0xd76aa478, 7);
    MD5_STEP(MD5_F, d, a, b, c, w[1], 0xe8c7b756, 12);
    MD5_STEP(MD5_F, c, d, a, b, w[2], 0x242070db, 17);
    MD5_STEP(MD5_F, b, c, d, a, w[3], 0xc1bdceee, 22);
    MD5_STEP(MD5_F, a, b, c, d, w[4], 0xf57c0faf, 7);
    MD5_STEP(MD5_F, d, a, b, c, w[5], 0x4787c62a, 12);
    MD5_STEP(MD5_F, c, d, a, b, w[6], 0xa8304613, 17);
    MD5_STEP(MD5_F, b, c, d, a, w[7], 0xfd469501, 22);
    MD5_STEP(MD5_F, a, b, c, d, w[8], 0x698098d8, 7);
    MD5_STEP(MD5_F, d, a, b, c, w[9], 0x8b44f7af, 12);
    MD5_STEP(MD5_F, c, d, a, b, w[10], 0xffff5bb1, 17);
    MD5_STEP(MD5_F, b, c, d, a, w[11], 0x895cd7be, 22);
    MD5_STEP(MD5_F, a, b, c, d, w[12], 0x6b901122, 7);
    MD5_STEP(MD5_F, d, a, b, c, w[13], 0xfd987193, 12);
    MD5_STEP(MD5_F, c, d, a, b, w[14], 0xa679438e, 17);
    MD5_STEP(MD5_F, b, c, d, a, w[15], 0x49b40821, 22);

    MD5_STEP(MD5_G, a, b, c, d, w[1], 0xf61e2562, 5);
    MD5_STEP(MD5_G, d, a, b, c, w[6], 0xc040b340, 9);
    MD5_STEP(MD5_G, c, d, a, b, w[11], 0x265e5a51, 14);
    MD5_STEP(MD5_G, b, c, d, a, w[0], 0xe9b6c7aa, 20);
    MD5_STEP(MD5_G, a, b, c, d, w[5], 0xd62f105d, 5);
    MD5_STEP(MD5_G, d, a, b, c, w[10], 0x02441453, 9);
    MD5_STEP(MD5_G, c, d, a, b, w[15], 0xd8a1e681, 14);
    MD5_STEP(MD5_G, b, c, d, a, w[4], 0xe7d3fbc8, 20);
    MD5_STEP(MD5_G, a, b, c, d, w[9], 0x21e1cde6, 5);
    MD5_STEP(MD5_G, d, a, b, c, w[14], 0xc33707d6, 9);
    MD5_STEP(MD5_G, c, d, a, b, w[3], 0xf4d50d87, 14);
    MD5_STEP(MD5_G, b, c, d, a, w[8], 0x455a14ed, 20);
    MD5_STEP(MD5_G, a, b, c, d, w[13], 0xa9e3e905, 5);
    MD5_STEP(MD5_G, d, a, b, c, w[2], 0xfcefa3f8, 9);
    MD5_STEP(MD5_G, c, d, a, b, w[7], 0x676f02d9, 14);
    MD5_STEP(MD5_G, b, c, d, a, w[12], 0x8d2a4c8a, 20);

    MD5_STEP(MD5_H, a, b, c, d, w[5], 0xfffa3942, 4);
    MD5_STEP(MD5_H, d, a, b, c, w[8], 0x8771f681, 11);
    MD5_STEP(MD5_H, c, d, a, b, w[11], 0x6d9d6122, 16);
    MD5_STEP(MD5_H, b, c, d, a, w[14], 0xfde5380c, 23);
    MD5_STEP(MD5_H, a, b, c, d, w[1], 0xa4beea44, 4);
    MD5_STEP(MD5_H, d, a, b, c, w[4], 0x4bdecfa9, 11);
    MD5_STEP(MD5_H, c, d, a, b, w[7], 0xf6bb4b60, 16);
    MD5_STEP(MD5_H, b, c, d, a, w[10], 0xbebfbc70, 23);
    MD5_STEP(MD5_H, a, b, c, d, w[13], 0x289b7ec6, 4);
    MD5_STEP(MD5_H, d, a, b, c, w[0], 0xeaa127fa, 11);
    MD5_STEP(MD5_H, c, d, a, b, w[3], 0xd4ef3085, 16);
    MD5_STEP(MD5_H, b, c, d, a, w[6], 0x04881d05, 23);
    MD5_STEP(MD5_H, a, b, c, d, w[9], 0xd9d4d039, 4);
    MD5_STEP(MD5_H, d, a, b, c, w[12], 0xe6db99e5, 11);
    MD5_STEP(MD5_H, c, d, a, b, w[15], 0x1fa27cf8, 16);
    MD5_STEP(MD5_H, b, c, d, a, w[2], 0xc4ac5665, 23);

    MD5_STEP(MD5_I, a, b, c, d, w[0], 0xf4292244, 6);
    MD5_STEP(MD5_I, d, a, b, c, w[7], 0x432aff97, 10);
    MD5_STEP(MD5_I, c, d, a, b, w[14], 0xab9423a7, 15);
    MD5_STEP(MD5_I, b, c, d, a, w[5], 0xfc93a039, 21);
    MD5_STEP(MD5_I, a, b, c, d, w[12], 0x655b59c3, 6);
    MD5_STEP(MD5_I, d, a, b, c, w[3], 0x8f0ccc92, 10);
    MD5_STEP(MD5_I, c, d, a, b, w[10], 0xffeff47d, 15);
    MD5_STEP(MD5_I, b, c, d, a, w[1], 0x85845dd1, 21);
    MD5_STEP(MD5_I, a, b, c, d, w[8], 0x6fa87e4f, 6);
    MD5_STEP(MD5_I, d, a, b, c, w[15], 0xfe2ce6e0, 10);
    MD5_STEP(MD5_I, c, d, a, b, w[6], 0xa3014314, 15);
    MD5_STEP(MD5_I, b, c, d, a, w[13], 0x4e0811a1, 21);
    MD5_STEP(MD5_I, a, b, c, d, w[4], 0xf7537e82, 6);
    MD5_STEP(MD5_I, d, a, b, c, w[11], 0xbd3af235, 10);
    MD5_STEP(MD5_I, c, d, a, b, w[2], 0x2ad7d2bb, 15);
    MD5_STEP(MD5_I, b, c, d, a, w[9], 0xeb86d391, 21);

    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
}

void Md5::Update(const void* data, size_t size)
{
    const uint8_t* in = static_cast<const uint8_t*>(data);
    size_t used = static_cast<size_t>(bytes_ % 64);
    bytes_ += size;

    if (used != 0) {
        const size_t take = size < 64 - used ? size : 64 - used;
        memcpy(buffer_ + used, in, take);
        in += take;
        size -= take;
        if (used + take < 64)
            return;
        Transform(buffer_);
    }
    // Whole blocks straight from the caller's memory, without a copy.
    for (; size >= 64; in += 64, size -= 64)
        Transform(in);
    if (size != 0)
        memcpy(buffer_, in, size);
}

void Md5::Final(uint8_t digest[16])
{
    const uint64_t bits = bytes_ * 8;
    static const uint8_t kPadding[64] = {0x80};
    const size_t used = static_cast<size_t>(bytes_ % 64);
    Update(kPadding, used < 56 ? 56 - used : 120 - used);
    uint8_t length[8];
    for (int i = 0; i < 8; ++i)
        length[i] = static_cast<uint8_t>(bits >> (8 * i));
    Update(length, sizeof(length));
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            digest[4 * i + j] = static_cast<uint8_t>(state_[i] >> (8 * j));
}

std::string Md5::FinalHex()
{
    uint8_t digest[16];
    Final(digest);
    return ToHex(digest);
}

std::string Md5Hex(const void* data, size_t size)
{
    Md5 md5;
    md5.Update(data, size);
    uint8_t digest[16];
    md5.Final(digest);
    return ToHex(digest);
}

std::string FileMd5Hex(const std::string& path)
{
    if (path.empty())
        return "";
    struct _stat64 info;
    if (_stat64(path.c_str(), &info) != 0 || (info.st_mode & _S_IFDIR) != 0)
        return "";
    ScopedFile file(fopen(path.c_str(), "rb"));
    if (!file)
        return "";

    // Large reads: each read is a system call, costly under Wine.
    Md5 md5;
    std::vector<uint8_t> chunk(kReadSize);
    size_t got;
    while ((got = fread(chunk.data(), 1, chunk.size(), file.Get())) > 0)
        md5.Update(chunk.data(), got);
    // A read error part-way would give the digest of a prefix: report nothing
    // rather than a digest that could match by accident.
    if (ferror(file.Get()))
        return "";
    uint8_t digest[16];
    md5.Final(digest);
    return ToHex(digest);
}

bool FileMatchesMd5(const std::string& path, const std::string& md5)
{
    return !md5.empty() && _stricmp(FileMd5Hex(path).c_str(), md5.c_str()) == 0;
}

const char* MismatchedDigestName(DigestCheck check)
{
    return check == DigestCheck::kSha256Mismatch ? "sha256" : "md5";
}

DigestCheck CheckFileDigests(const std::string& path, const FileDigests& digests)
{
    if (digests.Empty())
        return DigestCheck::kMd5Mismatch;
    struct _stat64 info;
    if (_stat64(path.c_str(), &info) != 0 || (info.st_mode & _S_IFDIR) != 0)
        return digests.md5.empty() ? DigestCheck::kSha256Mismatch : DigestCheck::kMd5Mismatch;
    ScopedFile file(fopen(path.c_str(), "rb"));
    DigestPair pair(digests);
    std::vector<uint8_t> chunk(kReadSize);
    size_t got;
    while (file && (got = fread(chunk.data(), 1, chunk.size(), file.Get())) > 0)
        pair.Update(chunk.data(), got);
    const DigestCheck check = pair.Final();
    // A read error part-way would give the digests of a prefix.
    if (!file || ferror(file.Get()))
        return digests.md5.empty() ? DigestCheck::kSha256Mismatch : DigestCheck::kMd5Mismatch;
    return check;
}

DWORD CopyFileCheckingDigests(const std::string& source, const std::string& target, const FileDigests& digests,
                              Durability durability)
{
    if (digests.Empty())
        return CopyFileBytes(source, target, nullptr, durability);
    DigestPair pair(digests);
    const DWORD error = CopyFileBytes(
        source, target, [&](const void* data, size_t size) { pair.Update(data, size); }, durability);
    if (error != ERROR_SUCCESS)
        return error;
    const DigestCheck check = pair.Final();
    if (check == DigestCheck::kMatch)
        return ERROR_SUCCESS;
    DeleteFileA(target.c_str());
    return check == DigestCheck::kSha256Mismatch ? kErrorSha256Mismatch : ERROR_CRC;
}
