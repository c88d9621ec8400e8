#include "engine/RetryPolicy.h"

// curl brings in winsock2.h, which has to come before windows.h.
#include <curl/curl.h>

#include <windows.h>

#include <algorithm>
#include <random>

bool IsTransient(int curlCode)
{
    switch (curlCode) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
        return true;
    default:
        return false;
    }
}

bool IsTransientStatus(long status)
{
    return status == 408 || status == 429 || (status >= 500 && status <= 599);
}

uint32_t RetryDelay(const RetryPolicy& policy, int tries, long long retryAfterMs)
{
    if (retryAfterMs >= 0)
        return static_cast<uint32_t>(std::min<long long>(retryAfterMs, policy.retryAfterLimitMs));
    static std::minstd_rand random(static_cast<unsigned>(GetTickCount64()));
    const double nominal =
        static_cast<double>(policy.firstDelayMs) * static_cast<double>(1u << std::min(tries - 1, 16));
    std::uniform_real_distribution<double> jitter(0.75, 1.25);
    return static_cast<uint32_t>(nominal * jitter(random));
}
