#include "engine/Sha256.h"

#include "base/TextConversion.h"

namespace {

// Opened once for the process: a provider costs far more to open than a
// hash object, and digests are taken of every file an update installs.
BCRYPT_ALG_HANDLE Sha256Provider()
{
    static const ScopedBcryptAlgorithm provider = OpenBcryptAlgorithm(BCRYPT_SHA256_ALGORITHM);
    return provider.Get();
}

}  // namespace

Sha256::Sha256()
{
    BCRYPT_HASH_HANDLE hash = nullptr;
    const BCRYPT_ALG_HANDLE provider = Sha256Provider();
    failed_ = provider == nullptr || !BCRYPT_SUCCESS(BCryptCreateHash(provider, &hash, nullptr, 0, nullptr, 0, 0));
    hash_.Reset(failed_ ? nullptr : hash);
}

void Sha256::Update(const void* data, size_t size)
{
    // CNG takes a ULONG count: pieces of at most 1 GiB.
    constexpr size_t kMaxPiece = size_t(1) << 30;
    PUCHAR in = static_cast<PUCHAR>(const_cast<void*>(data));
    while (!failed_ && size > 0) {
        const ULONG piece = static_cast<ULONG>(size < kMaxPiece ? size : kMaxPiece);
        failed_ = !BCRYPT_SUCCESS(BCryptHashData(hash_.Get(), in, piece, 0));
        in += piece;
        size -= piece;
    }
}

bool Sha256::Final(uint8_t digest[kSize])
{
    if (!failed_)
        failed_ = !BCRYPT_SUCCESS(BCryptFinishHash(hash_.Get(), digest, kSize, 0));
    return !failed_;
}

std::string Sha256::FinalHex()
{
    uint8_t digest[kSize];
    return Final(digest) ? ToLowerHex(digest, kSize) : "";
}

std::string Sha256Hex(const void* data, size_t size)
{
    Sha256 sha;
    sha.Update(data, size);
    return sha.FinalHex();
}
