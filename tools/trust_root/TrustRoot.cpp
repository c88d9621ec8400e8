// Makes a Wine prefix (or a test machine) trust a CA of the loopback HTTPS
// servers, for the tests and scripts/sample_update.sh: puts the certificate
// into the local machine's store of trusted roots, in place of any earlier
// one with the same subject (every run of the servers makes a new CA).
//
//   corvane_trust_root.exe CERTIFICATE_FILE    PEM or DER
// Exit code 0 when the certificate is in the store, 1 when it could not be
// read or stored, 2 on bad usage.
#include "base/ScopedCrypt.h"
#include "base/ScopedHandles.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<BYTE> ReadCertificate(const char* path)
{
    ScopedFile file(fopen(path, "rb"));
    std::string text;
    char buffer[4096];
    for (size_t got; file && (got = fread(buffer, 1, sizeof(buffer), file.Get())) > 0;)
        text.append(buffer, got);
    // CRYPT_STRING_ANY takes PEM, bare base64 and DER alike.
    DWORD size = 0;
    if (text.empty() || !CryptStringToBinaryA(text.data(), static_cast<DWORD>(text.size()), CRYPT_STRING_ANY, nullptr,
                                              &size, nullptr, nullptr))
        return {};
    std::vector<BYTE> der(size);
    if (!CryptStringToBinaryA(text.data(), static_cast<DWORD>(text.size()), CRYPT_STRING_ANY, der.data(), &size,
                              nullptr, nullptr))
        return {};
    der.resize(size);
    return der;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: corvane_trust_root.exe CERTIFICATE_FILE\n");
        return 2;
    }
    const std::vector<BYTE> der = ReadCertificate(argv[1]);
    const ScopedCertContext certificate(
        der.empty() ? nullptr
                    : CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size())));
    if (!certificate) {
        fprintf(stderr, "%s: no certificate\n", argv[1]);
        return 1;
    }
    const ScopedCertStore roots(
        CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root"));
    if (!roots) {
        fprintf(stderr, "the store of trusted roots cannot be opened (%lu)\n", GetLastError());
        return 1;
    }
    const CERT_NAME_BLOB* subject = &certificate.Get()->pCertInfo->Subject;
    // The delete frees the found certificate, whether it succeeds or not.
    while (PCCERT_CONTEXT earlier = CertFindCertificateInStore(roots.Get(), X509_ASN_ENCODING, 0,
                                                               CERT_FIND_SUBJECT_NAME, subject, nullptr)) {
        if (!CertDeleteCertificateFromStore(earlier))
            break;
    }
    if (!CertAddCertificateContextToStore(roots.Get(), certificate.Get(), CERT_STORE_ADD_REPLACE_EXISTING, nullptr) ||
        !CertControlStore(roots.Get(), 0, CERT_STORE_CTRL_COMMIT, nullptr)) {
        fprintf(stderr, "the certificate cannot be stored (%lu)\n", GetLastError());
        return 1;
    }
    return 0;
}
