#pragma once

#include "base/UniqueResource.h"

#include <windows.h>

#include <bcrypt.h>
#include <wincrypt.h>

// Owners of the certificate objects of Windows' CryptoAPI and of the
// handles of its successor, CNG (bcrypt).

struct CertContextTraits {
    using Type = PCCERT_CONTEXT;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type c) { return c != nullptr; }
    static void Close(Type c) { CertFreeCertificateContext(c); }
};
using ScopedCertContext = UniqueResource<CertContextTraits>;

struct CertChainTraits {
    using Type = PCCERT_CHAIN_CONTEXT;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type c) { return c != nullptr; }
    static void Close(Type c) { CertFreeCertificateChain(c); }
};
using ScopedCertChain = UniqueResource<CertChainTraits>;

struct CertStoreTraits {
    using Type = HCERTSTORE;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type s) { return s != nullptr; }
    static void Close(Type s) { CertCloseStore(s, 0); }
};
using ScopedCertStore = UniqueResource<CertStoreTraits>;

struct BcryptAlgorithmTraits {
    using Type = BCRYPT_ALG_HANDLE;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { BCryptCloseAlgorithmProvider(h, 0); }
};
using ScopedBcryptAlgorithm = UniqueResource<BcryptAlgorithmTraits>;

// The CNG provider of an algorithm (BCRYPT_SHA256_ALGORITHM, ...), empty when
// it cannot be opened.
inline ScopedBcryptAlgorithm OpenBcryptAlgorithm(const wchar_t* algorithm)
{
    BCRYPT_ALG_HANDLE handle = nullptr;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&handle, algorithm, nullptr, 0)))
        handle = nullptr;
    return ScopedBcryptAlgorithm(handle);
}

struct BcryptKeyTraits {
    using Type = BCRYPT_KEY_HANDLE;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { BCryptDestroyKey(h); }
};
using ScopedBcryptKey = UniqueResource<BcryptKeyTraits>;

struct BcryptHashTraits {
    using Type = BCRYPT_HASH_HANDLE;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { BCryptDestroyHash(h); }
};
using ScopedBcryptHash = UniqueResource<BcryptHashTraits>;
