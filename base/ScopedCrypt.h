#pragma once

#include "base/UniqueResource.h"

#include <windows.h>

#include <wincrypt.h>

// Owners of the certificate objects of Windows' CryptoAPI.

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
