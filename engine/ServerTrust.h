#pragma once

// libcurl's easy handle, as curl/curl.h declares it.
typedef void CURL;

// Makes an HTTPS transfer of this handle check the server before the request
// is sent: the certificate chain must end at one of Windows' trusted roots,
// be valid for server authentication, not be revoked and name the URL's host,
// and the protocol must be TLS 1.2 or newer. A chain whose revocation cannot
// be checked is accepted with one log line. A server that fails ends the
// transfer (curl_easy_perform reports it) and one log line says why. Plain
// HTTP transfers are left as they are.
// Windows' Schannel checks the chain and the host itself, but what the TLS
// layer of another platform that runs the Updater (Wine's) checks is not
// relied on: the check is made here with the platform's certificate chain
// functions on every system alike.
void RequireTrustedServer(CURL* easy);
