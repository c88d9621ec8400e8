#include "engine/ServerTrust.h"

// curl brings in winsock2.h, which has to come before windows.h.
#include <curl/curl.h>

#include "base/ScopedCrypt.h"
#include "base/TextConversion.h"
#include "engine/CurlUrl.h"
#include "engine/UpdateLog.h"

#define SECURITY_WIN32
#include <schannel.h>
#include <security.h>

#include <exception>
#include <string>

namespace {

// The host the transfer's URL names; empty when the URL cannot be read.
std::string UrlHost(CURL* easy)
{
    char* effective = nullptr;
    std::string scheme, host;
    if (curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &effective) != CURLE_OK || effective == nullptr ||
        !SplitUrl(effective, scheme, host))
        return "";
    return host;
}

// Older protocols are refused even where the system would still speak them.
constexpr DWORD kAcceptedProtocols = SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT;

// A chain whose revocation cannot be told (no list named, the list out of
// reach, offline) is taken, as browsers take it: a private CA or an
// inspecting proxy often names no list anyone can reach.
constexpr DWORD kRevocationUnknown = CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;

// SECURITY_FLAG_IGNORE_REVOCATION of wininet.h, which this file does not need.
constexpr DWORD kIgnoreRevocation = 0x00000080;

// 0 when the server of the TLS context is one to talk to, else the
// system's error code for why not. unchecked tells whether its revocation
// could not be told.
DWORD CheckServer(CtxtHandle* context, const std::string& host, bool& unchecked)
{
    SecPkgContext_ConnectionInfo connection = {};
    if (QueryContextAttributesW(context, SECPKG_ATTR_CONNECTION_INFO, &connection) != SEC_E_OK)
        return static_cast<DWORD>(SEC_E_INTERNAL_ERROR);
    if ((connection.dwProtocol & kAcceptedProtocols) == 0)
        return static_cast<DWORD>(SEC_E_UNSUPPORTED_FUNCTION);

    PCCERT_CONTEXT received = nullptr;
    if (QueryContextAttributesW(context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &received) != SEC_E_OK || received == nullptr)
        return static_cast<DWORD>(SEC_E_NO_CREDENTIALS);
    const ScopedCertContext certificate(received);

    char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
    LPSTR usages[] = {serverAuth};
    CERT_CHAIN_PARA chainPara = {};
    chainPara.cbSize = sizeof(chainPara);
    chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
    chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    // The intermediates the server sent come with the certificate's store.
    PCCERT_CHAIN_CONTEXT built = nullptr;
    if (!CertGetCertificateChain(nullptr, certificate.Get(), nullptr, certificate.Get()->hCertStore, &chainPara,
                                 CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT, nullptr, &built))
        return GetLastError();
    const ScopedCertChain chain(built);

    std::wstring serverName = ToWide(host);
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl = {};
    ssl.cbSize = sizeof(ssl);
    ssl.dwAuthType = AUTHTYPE_SERVER;
    // Revocation is judged from the chain below, the same on every platform
    // (not every SSL policy leaves an unknown status alone).
    ssl.fdwChecks = kIgnoreRevocation;
    ssl.pwszServerName = serverName.data();
    CERT_CHAIN_POLICY_PARA policy = {};
    policy.cbSize = sizeof(policy);
    policy.dwFlags = CERT_CHAIN_POLICY_IGNORE_ALL_REV_UNKNOWN_FLAGS;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status = {};
    status.cbSize = sizeof(status);
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.Get(), &policy, &status))
        return GetLastError();
    if (status.dwError != 0)
        return status.dwError;
    // Not every platform's SSL policy looks at the whole chain (Wine's passes
    // one that reaches no root at all); any other flaw of it refuses the
    // server, a revoked certificate among them.
    const DWORD flaws = chain.Get()->TrustStatus.dwErrorStatus;
    if ((flaws & ~(CERT_TRUST_IS_NOT_TIME_NESTED | kRevocationUnknown)) != CERT_TRUST_NO_ERROR)
        return static_cast<DWORD>((flaws & CERT_TRUST_IS_REVOKED) != 0 ? CRYPT_E_REVOKED : CERT_E_CHAINING);
    unchecked = (flaws & kRevocationUnknown) != 0;
    return 0;
}

int CheckServerOfRequest(void* easy)
{
    char* scheme = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_SCHEME, &scheme) != CURLE_OK || scheme == nullptr)
        return CURL_PREREQFUNC_ABORT;
    if (curl_strequal(scheme, "http"))
        return CURL_PREREQFUNC_OK;

    const std::string host = UrlHost(easy);
    curl_tlssessioninfo* session = nullptr;
    DWORD error = static_cast<DWORD>(SEC_E_INTERNAL_ERROR);
    bool unchecked = false;
    if (!host.empty() && curl_easy_getinfo(easy, CURLINFO_TLS_SSL_PTR, &session) == CURLE_OK && session != nullptr &&
        session->backend == CURLSSLBACKEND_SCHANNEL && session->internals != nullptr)
        error = CheckServer(static_cast<CtxtHandle*>(session->internals), host, unchecked);
    if (error == 0) {
        if (unchecked)
            UpdateLog::Instance().Write("server %s: revocation of its certificate cannot be checked, accepted.",
                                        host.c_str());
        return CURL_PREREQFUNC_OK;
    }
    UpdateLog::Instance().Write("server %s refused: certificate or protocol check failed, errcode[0x%08lX].",
                                host.c_str(), static_cast<unsigned long>(error));
    return CURL_PREREQFUNC_ABORT;
}

// libcurl's callback: no exception may cross libcurl, and a check that could
// not be made refuses the server.
int CheckBeforeRequest(void* easy, char*, char*, int, int)
{
    try {
        return CheckServerOfRequest(easy);
    } catch (const std::exception& error) {
        UpdateLog::Instance().Write("server check: %s; the server is refused.", error.what());
    }
    return CURL_PREREQFUNC_ABORT;
}

}  // namespace

void RequireTrustedServer(CURL* easy)
{
    // The system's TLS checks too, and the same way: a revoked certificate
    // fails, one whose revocation cannot be told does not.
    curl_easy_setopt(easy, CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_REVOKE_BEST_EFFORT));
    curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, CheckBeforeRequest);
    curl_easy_setopt(easy, CURLOPT_PREREQDATA, easy);
}
