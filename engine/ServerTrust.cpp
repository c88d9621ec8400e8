#include "engine/ServerTrust.h"

// curl brings in winsock2.h, which has to come before windows.h.
#include <curl/curl.h>

#include "base/ScopedCrypt.h"
#include "base/TextConversion.h"
#include "engine/UpdateLog.h"

#define SECURITY_WIN32
#include <schannel.h>
#include <security.h>

#include <exception>
#include <memory>
#include <string>

namespace {

struct UrlCleanup {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlCleanup>;

struct CurlFree {
    void operator()(char* text) const { curl_free(text); }
};
using CurlText = std::unique_ptr<char, CurlFree>;

// The host the transfer's URL names, without the brackets of an IPv6
// address; empty when the URL cannot be read.
std::string UrlHost(CURL* easy)
{
    char* effective = nullptr;
    UrlHandle url(curl_url());
    if (!url || curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &effective) != CURLE_OK || effective == nullptr ||
        curl_url_set(url.get(), CURLUPART_URL, effective, 0) != CURLUE_OK)
        return "";
    char* part = nullptr;
    if (curl_url_get(url.get(), CURLUPART_HOST, &part, 0) != CURLUE_OK)
        return "";
    std::string host = CurlText(part).get();
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    return host;
}

// Older protocols are refused even where the system would still speak them.
constexpr DWORD kAcceptedProtocols = SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT;

// 0 when the server of the TLS context is one to talk to, else the
// system's error code for why not.
DWORD CheckServer(CtxtHandle* context, const std::string& host)
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
    ssl.pwszServerName = serverName.data();
    CERT_CHAIN_POLICY_PARA policy = {};
    policy.cbSize = sizeof(policy);
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status = {};
    status.cbSize = sizeof(status);
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.Get(), &policy, &status))
        return GetLastError();
    if (status.dwError != 0)
        return status.dwError;
    // Not every platform's SSL policy looks at the whole chain (Wine's passes
    // one that reaches no root at all); any flaw of it refuses the server.
    if ((chain.Get()->TrustStatus.dwErrorStatus & ~CERT_TRUST_IS_NOT_TIME_NESTED) != CERT_TRUST_NO_ERROR)
        return static_cast<DWORD>(CERT_E_CHAINING);
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
    if (!host.empty() && curl_easy_getinfo(easy, CURLINFO_TLS_SSL_PTR, &session) == CURLE_OK && session != nullptr &&
        session->backend == CURLSSLBACKEND_SCHANNEL && session->internals != nullptr)
        error = CheckServer(static_cast<CtxtHandle*>(session->internals), host);
    if (error == 0)
        return CURL_PREREQFUNC_OK;
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
    curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, CheckBeforeRequest);
    curl_easy_setopt(easy, CURLOPT_PREREQDATA, easy);
}
