#pragma once

#include "base/ScopedCrypt.h"

#include <cstddef>
#include <cstdint>
#include <string>

// SHA-256 (FIPS 180-4) by the platform's CNG, fed in pieces of any size.
// Should CNG fail (it is not expected to), the digest is "" and matches
// nothing, so that a failure never passes for a match.
class Sha256 {
public:
    static constexpr size_t kSize = 32;

    Sha256();
    void Update(const void* data, size_t size);
    // Finishes the digest; false when CNG failed. The object must not be fed
    // afterwards.
    [[nodiscard]] bool Final(uint8_t digest[kSize]);
    // 64 lowercase hex digits, or "" when CNG failed.
    std::string FinalHex();

private:
    ScopedBcryptHash hash_;
    bool failed_ = false;
};

// 64 lowercase hex digits of the digest of a memory block ("" when CNG failed).
std::string Sha256Hex(const void* data, size_t size);
